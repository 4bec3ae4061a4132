#include "platform/RuntimeError.h"
#include "platform/MessageBoxes.h"
#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>
#include <cstdio>

namespace quendarx {

RuntimeError::RuntimeError(int number, QString description, QString source)
    : number(number), description(std::move(description)), source(std::move(source)) {
    what_ = QStringLiteral("%1 - %2").arg(number).arg(this->description).toStdString();
}

void raiseTypeMismatch() { throw RuntimeError(errTypeMismatch, QStringLiteral("Type mismatch")); }

void raiseOverflow() { throw RuntimeError(errOverflow, QStringLiteral("Overflow")); }

void raiseInvalidUseOfNull() { throw RuntimeError(errInvalidUseOfNull, QStringLiteral("Invalid use of Null")); }

QString errorReportText(const RuntimeError& error, const QString& tag) {
    return QString::number(error.number) + QStringLiteral(" - ") + error.description + QStringLiteral("\r\n\r\n") + tag;
}

void reportError(const RuntimeError& error, const QString& tag, int style) {
    MessageBoxes::show(errorReportText(error, tag), style);
}

void logMessage(const QString& message) {
    static QMutex logMutex;
    QString flat = message;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
                         QLatin1Char(' ') + flat + QLatin1Char('\n');
    const QByteArray bytes = line.toUtf8();

    QMutexLocker lock(&logMutex);
    const QString path = qEnvironmentVariable("QUENDARX_LOG");
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            file.write(bytes);
            return;
        }
    }
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace quendarx
