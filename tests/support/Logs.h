#pragma once
// The library's log sent to a file of its own for a scope, and a folder's entries.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace quendarx::test {

class CapturedLog {
public:
    CapturedLog() : previous_(qgetenv("QUENDARX_LOG")), path_(dir_.filePath(QStringLiteral("log.txt"))) {
        qputenv("QUENDARX_LOG", path_.toUtf8());
    }
    ~CapturedLog() { qputenv("QUENDARX_LOG", previous_); }

    QString text() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QByteArray previous_;
    QTemporaryDir dir_;
    QString path_;
};

// Every entry of a folder, hidden ones too, by name.
inline QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace quendarx::test
