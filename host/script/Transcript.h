#pragma once
// The transcript: one event per line, UTF-8, handed to the sink as soon as it is written
// (standard output, flushed line by line, in the runner).
#include <QByteArray>
#include <QString>
#include <functional>

namespace quendarx::host {

class Transcript {
public:
    using Sink = std::function<void(const QByteArray& line)>;
    explicit Transcript(Sink sink) : sink_(std::move(sink)) {}

    // Writes one line; the line break is added here.
    void write(const QString& line) { sink_(line.toUtf8() + '\n'); }

    // A transcript on standard output, flushed after every line.
    static Transcript toStdout();

private:
    Sink sink_;
};

// The lines of a printed page as the transcript shows them: split at CR LF, LF or CR;
// a final line break adds no empty line; trailing blanks kept.
QStringList pageLines(const QString& pageText);

} // namespace quendarx::host
