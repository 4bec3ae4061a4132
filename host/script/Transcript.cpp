#include "script/Transcript.h"
#include <QStringList>
#include <cstdio>

namespace quendarx::host {

Transcript Transcript::toStdout() {
    return Transcript([](const QByteArray& line) {
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
    });
}

QStringList pageLines(const QString& pageText) {
    QStringList lines;
    QString current;
    bool open = false; // a line has begun and has not been ended by a break
    for (qsizetype i = 0; i < pageText.size(); ++i) {
        const QChar c = pageText[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < pageText.size() && pageText[i + 1] == u'\n')
                ++i;
            lines << current;
            current.clear();
            open = false;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines << current;
    return lines;
}

} // namespace quendarx::host
