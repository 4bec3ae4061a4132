// Dates under the regional settings: reading typed date texts, the date patterns, the
// general and the long date.
#include "platform/Regional.h"
#include <QRegularExpression>

namespace quendarx {

namespace {

// The day a pure time stands on.
const QDate kTimeOnlyDay(1899, 12, 30);

const QString kTime = QStringLiteral(R"((\d{1,2}):(\d{2})(?::(\d{2}))?(?:\s*([AaPp])\.?\s*[Mm]\.?)?)");

QRegularExpression anchored(const QString& datePart) {
    return QRegularExpression(QStringLiteral("^") + datePart + QStringLiteral("(?:\\s+") + kTime +
                              QStringLiteral(")?$"));
}

enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

// The order of day, month and year in the locale's short date.
Order localeOrder(const QLocale& l) {
    const QString f = l.dateFormat(QLocale::ShortFormat);
    const qsizetype d = f.indexOf(QLatin1Char('d'));
    const qsizetype m = f.indexOf(QLatin1Char('M'));
    const qsizetype y = f.indexOf(QLatin1Char('y'));
    if (y >= 0 && y < d && y < m)
        return Order::YearMonthDay;
    return (m >= 0 && m < d) ? Order::MonthDayYear : Order::DayMonthYear;
}

// A year as typed: one or two digits are 2000-2029 or 1930-1999, four digits as they stand.
int readYear(const QString& text) {
    if (text.size() <= 2) {
        const int y = text.toInt();
        return y < 30 ? 2000 + y : 1900 + y;
    }
    if (text.size() == 4 && text.toInt() >= 100)
        return text.toInt();
    return 0;
}

// A month name or abbreviation of the locale, or of the C locale; 0 when none.
int readMonthName(QString name, const QLocale& l) {
    name = name.toLower();
    for (const QLocale& loc : {l, QLocale::c()}) {
        for (int m = 1; m <= 12; ++m) {
            for (const QString& candidate :
                 {loc.monthName(m, QLocale::LongFormat), loc.monthName(m, QLocale::ShortFormat),
                  loc.standaloneMonthName(m, QLocale::LongFormat), loc.standaloneMonthName(m, QLocale::ShortFormat)}) {
                QString c = candidate.toLower();
                if (c.endsWith(QLatin1Char('.')))
                    c.chop(1);
                if (!c.isEmpty() && c == name)
                    return m;
            }
        }
    }
    return 0;
}

// The optional time captured from group `first` on; nothing when it is impossible.
std::optional<QTime> readTime(const QRegularExpressionMatch& match, int first) {
    if (!match.hasCaptured(first))
        return QTime(0, 0);
    int hour = match.captured(first).toInt();
    const int minute = match.captured(first + 1).toInt();
    const int second = match.hasCaptured(first + 2) ? match.captured(first + 2).toInt() : 0;
    if (match.hasCaptured(first + 3)) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        const bool pm = match.captured(first + 3).toLower() == QLatin1String("p");
        hour = hour % 12 + (pm ? 12 : 0);
    }
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

std::optional<QDateTime> dateTime(int year, int month, int day, const QRegularExpressionMatch& match, int timeGroup) {
    const QDate date(year, month, day);
    const auto time = readTime(match, timeGroup);
    if (year == 0 || !date.isValid() || !time)
        return std::nullopt;
    return QDateTime(date, *time);
}

QString pad(int value, int width) { return QString::number(value).rightJustified(width, QLatin1Char('0')); }

} // namespace

std::optional<QDateTime> Regional::readDate(const QString& text) {
    const QLocale l = locale();
    const QString t = text.trimmed();

    static const QRegularExpression timeOnly(QStringLiteral("^") + kTime + QStringLiteral("$"));
    if (auto m = timeOnly.match(t); m.hasMatch()) {
        const auto time = readTime(m, 1);
        if (!time)
            return std::nullopt;
        return QDateTime(kTimeOnlyDay, *time);
    }

    static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:(?:\s+|T))") + kTime +
                                        QStringLiteral(")?$"));
    if (auto m = iso.match(t); m.hasMatch())
        return dateTime(readYear(m.captured(1)), m.captured(2).toInt(), m.captured(3).toInt(), m, 4);

    static const QRegularExpression numeric = anchored(QStringLiteral(R"((\d{1,4})([/.\-])(\d{1,4})\2(\d{1,4}))"));
    if (auto m = numeric.match(t); m.hasMatch()) {
        QString a = m.captured(1), b = m.captured(3), c = m.captured(4);
        QString day, month, year;
        const Order order = a.size() == 4 ? Order::YearMonthDay : localeOrder(l);
        switch (order) {
        case Order::DayMonthYear:
            day = a;
            month = b;
            year = c;
            break;
        case Order::MonthDayYear:
            month = a;
            day = b;
            year = c;
            break;
        case Order::YearMonthDay:
            year = a;
            month = b;
            day = c;
            break;
        }
        if (day.size() > 2 || month.size() > 2)
            return std::nullopt;
        return dateTime(readYear(year), month.toInt(), day.toInt(), m, 5);
    }

    // "5 dic 2026", "5-Dec-26", "December 5, 2026".
    static const QRegularExpression dayName = anchored(
        QStringLiteral(R"((\d{1,2})[\s/.\-]+(\p{L}+)\.?[\s/.\-]+(\d{1,4}))"));
    if (auto m = dayName.match(t); m.hasMatch()) {
        const int month = readMonthName(m.captured(2), l);
        if (month == 0)
            return std::nullopt;
        return dateTime(readYear(m.captured(3)), month, m.captured(1).toInt(), m, 4);
    }
    static const QRegularExpression nameDay = anchored(QStringLiteral(R"((\p{L}+)\.?\s+(\d{1,2}),?\s+(\d{1,4}))"));
    if (auto m = nameDay.match(t); m.hasMatch()) {
        const int month = readMonthName(m.captured(1), l);
        if (month == 0)
            return std::nullopt;
        return dateTime(readYear(m.captured(3)), month, m.captured(2).toInt(), m, 4);
    }
    return std::nullopt;
}

QString Regional::formatDate(const QDateTime& value, const QString& pattern) {
    const QLocale l = locale();
    const QDate d = value.date();
    const QTime t = value.time();
    QString out;
    bool afterHour = false; // an "m" right after an hour stands for minutes
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        qsizetype n = 1;
        while (i + n < pattern.size() && pattern.at(i + n).toLower() == c)
            ++n;
        const int count = int(n);
        if (c == QLatin1Char('d')) {
            out += count <= 2 ? pad(d.day(), count)
                              : l.dayName(d.dayOfWeek(), count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            afterHour = false;
        } else if (c == QLatin1Char('m') && !afterHour) {
            out += count <= 2 ? pad(d.month(), count)
                              : l.monthName(d.month(), count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
        } else if (c == QLatin1Char('y')) {
            out += count >= 3 ? pad(d.year(), 4) : pad(d.year() % 100, 2);
            afterHour = false;
        } else if (c == QLatin1Char('h')) {
            out += pad(t.hour(), count);
            afterHour = true;
        } else if (c == QLatin1Char('m') || c == QLatin1Char('n')) {
            out += pad(t.minute(), count);
        } else if (c == QLatin1Char('s')) {
            out += pad(t.second(), count);
        } else {
            out += pattern.mid(i, n);
        }
        i += n;
    }
    return out;
}

QString Regional::formatDateText(const QString& text, const QString& pattern) {
    const auto value = readDate(text);
    return value ? formatDate(*value, pattern) : text;
}

QString Regional::generalDate(const QDateTime& value) {
    const QTime t = value.time();
    const auto digits = [](char* at, int number) {
        at[0] = char('0' + number / 10);
        at[1] = char('0' + number % 10);
    };
    char timeText[8] = {0, 0, ':', 0, 0, ':', 0, 0};
    digits(timeText, t.hour());
    digits(timeText + 3, t.minute());
    digits(timeText + 6, t.second());
    const QLatin1String time(timeText, t.isValid() ? 8 : 0);
    if (value.date() == kTimeOnlyDay)
        return time;
    // The short format with a four-digit year, worked out again only when the regional
    // settings give another short format; the day's text kept until another day is written.
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    thread_local QString shortFormat, dateFormat, dayText;
    thread_local QDate day;
    thread_local QLocale dayLocale;
    const QLocale l = locale();
    if (const QString format = l.dateFormat(QLocale::ShortFormat); format != shortFormat || format.isNull()) {
        shortFormat = format;
        dateFormat = format;
        dateFormat.replace(twoDigitYear, QStringLiteral("yyyy"));
        day = QDate();
    }
    if (value.date() != day || !day.isValid() || l != dayLocale) {
        day = value.date();
        dayLocale = l;
        dayText = l.toString(day, dateFormat);
    }
    return t == QTime(0, 0) ? dayText : dayText + QLatin1Char(' ') + time;
}

QString Regional::longDate(const QDate& value) { return locale().toString(value, QLocale::LongFormat); }

} // namespace quendarx
