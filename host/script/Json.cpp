#include "script/Json.h"
#include <charconv>
#include <cmath>

namespace quendarx::host {

QString jsonString(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\b':
            out += QStringLiteral("\\b");
            break;
        case u'\f':
            out += QStringLiteral("\\f");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString jsonNumber(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("null");
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString jsonArray(const QStringList& jsonValues) { return u'[' + jsonValues.join(u',') + u']'; }

QString jsonStringArray(const QStringList& texts) {
    QStringList values;
    values.reserve(texts.size());
    for (const QString& text : texts)
        values << jsonString(text);
    return jsonArray(values);
}

} // namespace quendarx::host
