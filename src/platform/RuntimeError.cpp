#include "platform/RuntimeError.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>
#include <cstdio>

namespace quendarx {

namespace {

struct StandardErrorText {
    StandardError error;
    int number;
    const char* english;
    const char* spanish;
};

// The descriptions a system in each language gives for these errors.
constexpr StandardErrorText kStandardErrors[] = {
    {StandardError::InvalidCall, errInvalidCall, "Invalid procedure call or argument",
     "Argumento o llamada a procedimiento no válida"},
    {StandardError::ScreensUnavailable, errInvalidCall, "Screens cannot be shown",
     "No se pueden mostrar las pantallas"},
    {StandardError::Overflow, errOverflow, "Overflow", "Desbordamiento"},
    {StandardError::TypeMismatch, errTypeMismatch, "Type mismatch", "No coinciden los tipos"},
    {StandardError::PathFileAccess, errPathFileAccess, "Path/File access error", "Error de acceso a ruta o archivo"},
    {StandardError::InvalidUseOfNull, errInvalidUseOfNull, "Invalid use of Null", "Uso no válido de Null"},
    {StandardError::PrinterError, errPrinter, "Printer error", "Error de impresora"},
    {StandardError::NoCurrentRecord, errNoCurrentRecord,
     "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
     "current record.",
     "BOF o EOF es True, o el registro actual se eliminó. La operación solicitada requiere un registro actual."},
    {StandardError::ItemNotFound, errItemNotFound,
     "Item cannot be found in the collection corresponding to the requested name or ordinal.",
     "No se encontró el elemento en la colección que corresponde al nombre o al ordinal solicitado."},
};

const StandardErrorText& entry(StandardError error) {
    for (const StandardErrorText& e : kStandardErrors)
        if (e.error == error)
            return e;
    return kStandardErrors[0];
}

} // namespace

int standardErrorNumber(StandardError error) { return entry(error).number; }

QString standardErrorDescription(StandardError error, const QLocale& locale) {
    const StandardErrorText& e = entry(error);
    return QString::fromUtf8(locale.language() == QLocale::Spanish ? e.spanish : e.english);
}

RuntimeError::RuntimeError(int number, QString description, QString source)
    : number(number), description(std::move(description)), source(std::move(source)) {
    what_ = QStringLiteral("%1 - %2").arg(number).arg(this->description).toStdString();
}

namespace {

// The description, then the detail after ": " in place of the closing full stop.
QString describe(StandardError error, const QString& detail) {
    QString text = standardErrorDescription(error, Regional::locale());
    if (detail.isEmpty())
        return text;
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text + QStringLiteral(": ") + detail;
}

} // namespace

RuntimeError::RuntimeError(StandardError error, const QString& detail, QString source)
    : RuntimeError(standardErrorNumber(error), describe(error, detail), std::move(source)) {}

void raiseTypeMismatch() { throw RuntimeError(StandardError::TypeMismatch); }

void raiseOverflow() { throw RuntimeError(StandardError::Overflow); }

void raiseInvalidUseOfNull() { throw RuntimeError(StandardError::InvalidUseOfNull); }

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
