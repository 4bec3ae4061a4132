#pragma once
// Splits one script line into tokens: bare tokens run to the next blank; double-quoted
// tokens take JSON escapes. Throws ScriptError on a malformed token.
#include <QString>
#include <QStringView>
#include <vector>

namespace quendarx::host {

struct Token {
    QString text;
    bool quoted = false;

    bool isBare(QStringView word) const { return !quoted && text == word; }
};

// Tokens of one line. A line whose first non-blank character is '#' has none; a trailing
// carriage return (CRLF files) is ignored.
std::vector<Token> tokenize(QStringView line);

} // namespace quendarx::host
