#pragma once
// The transcript's JSON: strings that keep every character, C-locale numbers, arrays
// without blanks.
#include <QString>
#include <QStringList>

namespace quendarx::host {

// A JSON string: quotes and backslashes escaped, \n \r \t \b \f by their short escapes,
// other control characters as \u00XX; everything else as it stands.
QString jsonString(const QString& text);
// The shortest C-locale text that reads back as the same double; whole values without a
// fraction (10, 2.5, -0.125); null for infinities and NaN.
QString jsonNumber(double value);
// "[a,b,c]" from values already in JSON form.
QString jsonArray(const QStringList& jsonValues);
// A JSON array of strings.
QString jsonStringArray(const QStringList& texts);

} // namespace quendarx::host
