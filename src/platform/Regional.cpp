#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace quendarx {

namespace {

QMutex localeMutex;
std::optional<QLocale> currentLocale;
std::optional<QString> currentSeparator; // the decimal point of currentLocale, once asked for

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isSpaceGroup(const QString& group) { return group.size() == 1 && group.at(0).isSpace(); }

bool isNegativeSign(QChar c, const QLocale& l) { return c == QLatin1Char('-') || QString(c) == l.negativeSign(); }

bool isPositiveSign(QChar c, const QLocale& l) { return c == QLatin1Char('+') || QString(c) == l.positiveSign(); }

// The integer part with its group separators checked: the first group has one to three
// digits, every later one exactly three. Returns the bare digits, or nothing when a
// separator stands where it does not belong.
std::optional<std::string> integerDigits(const QString& text, const QLocale& l) {
    const QString group = l.groupSeparator();
    const bool spaceGroup = isSpaceGroup(group);
    std::string digits;
    int groupLength = 0;
    bool grouped = false;
    for (QChar c : text) {
        if (isDigit(c)) {
            digits += char(c.unicode());
            ++groupLength;
        } else if (QString(c) == group || (spaceGroup && c.isSpace())) {
            if (groupLength == 0 || (grouped && groupLength != 3) || (!grouped && groupLength > 3))
                return std::nullopt;
            grouped = true;
            groupLength = 0;
        } else {
            return std::nullopt;
        }
    }
    if (grouped && groupLength != 3)
        return std::nullopt;
    return digits;
}

// A fixed-notation decimal text ("-12.345") rounded half away from zero to `decimals`
// places, its integer part padded with zeros to `integerWidth`.
std::string roundDecimalText(std::string text, int decimals, int integerWidth) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.erase(0, 1);
    const auto point = text.find('.');
    std::string intPart = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    bool roundUp = int(fraction.size()) > decimals && fraction[decimals] >= '5';
    fraction.resize(decimals, '0');
    std::string digits = intPart + fraction;
    if (roundUp) {
        int i = int(digits.size()) - 1;
        for (; i >= 0 && digits[i] == '9'; --i)
            digits[i] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i];
    }
    intPart = digits.substr(0, digits.size() - decimals);
    fraction = digits.substr(digits.size() - decimals);
    while (intPart.size() > 1 && intPart.front() == '0')
        intPart.erase(0, 1);
    if (int(intPart.size()) < integerWidth)
        intPart.insert(0, integerWidth - intPart.size(), '0');
    if (intPart.empty() && fraction.empty())
        intPart.assign(1, '0');
    if (digits.find_first_not_of('0') == std::string::npos)
        negative = false;
    std::string result = negative ? "-" : "";
    result += intPart;
    if (decimals > 0)
        result.append(1, '.').append(fraction);
    return result;
}

} // namespace

QLocale Regional::locale() {
    QMutexLocker lock(&localeMutex);
    if (!currentLocale)
        currentLocale = QLocale::system();
    return *currentLocale;
}

void Regional::setLocale(const QLocale& locale) {
    QMutexLocker lock(&localeMutex);
    currentLocale = locale;
    currentSeparator.reset();
}

// Kept beside the locale: numbers are formatted and read by the thousand in an import.
QString Regional::decimalSeparator() {
    QMutexLocker lock(&localeMutex);
    if (!currentSeparator) {
        if (!currentLocale)
            currentLocale = QLocale::system();
        currentSeparator = currentLocale->decimalPoint();
    }
    return *currentSeparator;
}

std::optional<double> Regional::readNumber(const QString& text) {
    // Digits with at most one decimal separator between them (what the library formats and
    // what a clerk mostly types) read at once; anything else through the general reader.
    if (text.size() < 40 && !text.isEmpty()) {
        const QString separator = decimalSeparator();
        char plain[40];
        qsizetype marks = 0;
        qsizetype i = 0;
        for (; i < text.size(); ++i) {
            const QChar c = text[i];
            if (isDigit(c)) {
                plain[i] = char(c.unicode());
            } else if (separator.size() == 1 && c == separator.front() && i > 0 && i + 1 < text.size() &&
                       ++marks == 1) {
                plain[i] = '.';
            } else {
                break;
            }
        }
        double value = 0;
        if (i == text.size()) {
            const auto [end, ec] = std::from_chars(plain, plain + i, value);
            if (ec == std::errc() && end == plain + i && std::isfinite(value))
                return value;
        }
    }
    const QLocale l = locale();
    QString body = text.trimmed();
    if (body.isEmpty())
        return std::nullopt;

    bool negative = false;
    if (isNegativeSign(body.front(), l) || isPositiveSign(body.front(), l)) {
        negative = isNegativeSign(body.front(), l);
        body = body.mid(1).trimmed();
    } else if (isNegativeSign(body.back(), l) || isPositiveSign(body.back(), l)) {
        negative = isNegativeSign(body.back(), l);
        body.chop(1);
        body = body.trimmed();
    }
    if (body.isEmpty())
        return std::nullopt;

    // Exponent: E or e, an optional sign, digits.
    QString exponent;
    const qsizetype e = body.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    if (e >= 0) {
        exponent = body.mid(e + 1);
        body.truncate(e);
        QString expDigits = exponent;
        if (!expDigits.isEmpty() && (isNegativeSign(expDigits.front(), l) || isPositiveSign(expDigits.front(), l))) {
            expDigits = expDigits.mid(1);
            exponent = (isNegativeSign(exponent.front(), l) ? QStringLiteral("-") : QString()) + expDigits;
        }
        if (expDigits.isEmpty() || !std::all_of(expDigits.begin(), expDigits.end(), isDigit))
            return std::nullopt;
    }

    const QString mark = l.decimalPoint();
    const qsizetype markAt = body.indexOf(mark);
    const QString intText = markAt < 0 ? body : body.left(markAt);
    const QString fracText = markAt < 0 ? QString() : body.mid(markAt + mark.size());
    const auto intDigits = integerDigits(intText, l);
    if (!intDigits || !std::all_of(fracText.begin(), fracText.end(), isDigit))
        return std::nullopt;
    if (intDigits->empty() && fracText.isEmpty())
        return std::nullopt;

    std::string plain = (negative ? "-" : "") + (intDigits->empty() ? "0" : *intDigits);
    if (!fracText.isEmpty())
        plain.append(1, '.').append(fracText.toStdString());
    if (!exponent.isEmpty())
        plain.append(1, 'e').append(exponent.toStdString());
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString Regional::format(double value, const QString& pattern) {
    if (!std::isfinite(value))
        return generalNumber(value);
    const QStringView whole(pattern);
    const qsizetype point = whole.indexOf(u'.');
    const QStringView before = point < 0 ? whole : whole.left(point);
    const QStringView after = point < 0 ? QStringView() : whole.mid(point + 1);
    const int integerWidth = int(before.count(u'0'));
    const int decimals = int(after.count(u'0'));

    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    const std::string rounded = roundDecimalText(std::string(buffer, result.ptr), decimals, integerWidth);
    QString text = QString::fromLatin1(rounded.data(), qsizetype(rounded.size()));
    if (decimals > 0)
        text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

std::optional<double> Regional::rounded(double value, int decimals) {
    if (!std::isfinite(value))
        return std::nullopt;
    // A value that already is the double nearest to a number of that many decimals (a
    // quantity in cents, mostly) reads back as itself: its decimal expansion lies far
    // closer to that number than half a unit of the last decimal.
    static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
    if (decimals >= 0 && decimals < int(std::size(kScale)) && std::fabs(value) < 1e9) {
        const double scale = kScale[decimals];
        if (std::nearbyint(value * scale) / scale == value)
            return value == 0 ? 0.0 : value; // never a negative zero
    }
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    const std::string text = roundDecimalText(std::string(buffer, result.ptr), decimals, 1);
    double back = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(back))
        return std::nullopt;
    return back;
}

QString Regional::formatText(const QString& text, const QString& pattern) {
    const auto value = readNumber(text);
    return value ? format(*value, pattern) : text;
}

QString Regional::generalNumber(double value) {
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

std::int16_t Regional::toInt16(const QString& text) {
    const std::int32_t value = toInt32(text);
    if (value < -32768 || value > 32767)
        raiseOverflow();
    return std::int16_t(value);
}

std::int32_t Regional::toInt32(const QString& text) {
    const auto value = readNumber(text);
    if (!value)
        raiseTypeMismatch();
    double whole = std::round(*value);
    if (std::fabs(*value - std::trunc(*value)) == 0.5)
        whole = 2 * std::round(*value / 2);
    if (whole < -2147483648.0 || whole > 2147483647.0)
        raiseOverflow();
    return std::int32_t(whole);
}

} // namespace quendarx
