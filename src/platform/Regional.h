#pragma once
// The library's whole notion of numbers and dates under the current regional settings.
// Every screen, statement and listing reads and writes numbers and dates through here.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace quendarx {

class Regional {
public:
    // The regional settings in force (process-wide). Default: QLocale::system().
    static QLocale locale();
    static void setLocale(const QLocale& locale);

    // The decimal separator of the current settings ("," under es_AR, "." under en_US).
    static QString decimalSeparator();

    // Whether a text reads as a number, and its value: the locale's decimal mark, group
    // separators only where they belong, blanks around, a leading or trailing sign.
    // Under a comma locale "1.5" is not a number.
    static std::optional<double> readNumber(const QString& text);
    static bool isNumeric(const QString& text) { return readNumber(text).has_value(); }

    // Number patterns "000", "0000", "00.00", "00.0000": at least as many integer digits as
    // the pattern has before the mark, exactly as many decimals as after it, rounded half
    // away from zero on the decimal value (1.005 -> 01.01), no group separators.
    static QString format(double value, const QString& pattern);
    // The number format(value, pattern) writes with `decimals` decimals, as readNumber reads
    // it back, without the regional text in between; empty for a value that is not finite.
    static std::optional<double> rounded(double value, int decimals);
    // A text is formatted by the pattern when it reads as a number; otherwise it is
    // returned unchanged.
    static QString formatText(const QString& text, const QString& pattern);

    // General text of a number: shortest round-trip form with the locale's mark
    // (5 -> "5", 12.5 -> "12,5" under es_AR).
    static QString generalNumber(double value);

    // Whether a text reads as a date (locale day-month order, '/', '-', '.' separators,
    // two- or four-digit years with 00-29 -> 20xx and 30-99 -> 19xx, ISO yyyy-mm-dd, an
    // optional time), and its value. Impossible dates are not dates.
    static std::optional<QDateTime> readDate(const QString& text);
    static bool isDate(const QString& text) { return readDate(text).has_value(); }

    // Date patterns "dd/mm/yyyy" and "dd/mm/yyyy HH:MM:SS" (the '/' is literal).
    static QString formatDate(const QDateTime& value, const QString& pattern);
    // A text is formatted when it reads as a date; otherwise returned unchanged.
    static QString formatDateText(const QString& text, const QString& pattern);

    // General date text: the locale's short date with a four-digit year, then a blank and
    // the 24-hour time HH:mm:ss; the time is left out when it is exactly midnight and
    // the date part is left out for a pure time (1899-12-30).
    static QString generalDate(const QDateTime& value);
    // The locale's long date ("sábado, 5 de diciembre de 2026" under es_AR).
    static QString longDate(const QDate& value);

    // The ordinary text-to-16-bit-integer conversion of a property set: reads the text as
    // a number (see readNumber), rounds half to even. Throws RuntimeError 13 "Type
    // mismatch" when the text is not a number and 6 "Overflow" outside -32768..32767.
    static std::int16_t toInt16(const QString& text);
    // The same for 32-bit (RuntimeError 6 outside the range).
    static std::int32_t toInt32(const QString& text);
};

// Sets the regional settings for a scope and restores the previous ones on exit.
class ScopedLocale {
public:
    explicit ScopedLocale(const QLocale& locale) : previous_(Regional::locale()) { Regional::setLocale(locale); }
    ~ScopedLocale() { Regional::setLocale(previous_); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    QLocale previous_;
};

} // namespace quendarx
