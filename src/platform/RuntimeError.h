#pragma once
// A run-time error as the library raises it where an error would be raised, and the
// error report every trapping routine shows.
#include <QLocale>
#include <QString>
#include <exception>
#include <string>

namespace quendarx {

// Well-known error numbers.
enum ErrorNumber : int {
    errInvalidCall = 5,
    errOverflow = 6,
    errTypeMismatch = 13,
    errInvalidUseOfNull = 94,
    errPathFileAccess = 75,
    errPrinter = 482,
    errNoCurrentRecord = 3021, // a record set read or moved past its end
    errItemNotFound = 3265,    // a record-set field that does not exist
    errNotAvailable = 445,     // a member that is not available
    errDatabase = -2147467259, // an engine failure raised by a data-access operation
};

// The run-time errors the library raises with a description of its own (not an engine's).
enum class StandardError {
    InvalidCall,        // 5, a call with an argument it cannot take
    ScreensUnavailable, // 5, a screen asked for where no window can be shown
    Overflow,           // 6
    TypeMismatch,       // 13
    PathFileAccess,     // 75
    InvalidUseOfNull,   // 94
    PrinterError,       // 482
    NoCurrentRecord,    // 3021
    ItemNotFound,       // 3265
};

// A standard error's number, and its description in the language of the regional settings
// (Spanish under a Spanish locale, English otherwise), from the one table of them.
int standardErrorNumber(StandardError error);
QString standardErrorDescription(StandardError error, const QLocale& locale);

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description, QString source = QStringLiteral("Quendarx"));
    // A standard error described for the current regional settings; a detail (a name, a
    // reason) follows the description after ": ".
    explicit RuntimeError(StandardError error, const QString& detail = {}, QString source = QStringLiteral("Quendarx"));
    const char* what() const noexcept override { return what_.c_str(); }

    int number;
    QString description;
    QString source;

private:
    std::string what_;
};

[[noreturn]] void raiseTypeMismatch();
[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseInvalidUseOfNull();

// "N - description" + CRLF CRLF + tag: the text of the error report.
QString errorReportText(const RuntimeError& error, const QString& tag);
// Shows the error report in a message box of the given style (16 critical; 4112 for the
// two Conectar_DB methods; 0 where a routine shows no icon).
void reportError(const RuntimeError& error, const QString& tag, int style = 16);

// The library's log: standard error, or the file named by QUENDARX_LOG. Engine errors
// that a data-access call turns into False or 0 are written here.
void logMessage(const QString& message);

} // namespace quendarx
