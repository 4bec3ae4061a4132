#include "script/Lexer.h"
#include "script/ScriptError.h"

namespace quendarx::host {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

class QuotedReader {
public:
    QuotedReader(QStringView line, qsizetype pos) : line_(line), pos_(pos) {}

    // Reads from just after the opening quote to just after the closing one.
    QString read() {
        QString out;
        for (;;) {
            if (pos_ >= line_.size())
                throw ScriptError(QStringLiteral("unterminated string"));
            const QChar c = line_[pos_++];
            if (c == u'"')
                return out;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (pos_ >= line_.size())
                throw ScriptError(QStringLiteral("unterminated string"));
            const QChar e = line_[pos_++];
            switch (e.unicode()) {
            case u'"':
                out += u'"';
                break;
            case u'\\':
                out += u'\\';
                break;
            case u'/':
                out += u'/';
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            case u't':
                out += u'\t';
                break;
            case u'b':
                out += u'\b';
                break;
            case u'f':
                out += u'\f';
                break;
            case u'u':
                readUnicode(out);
                break;
            default:
                throw ScriptError(QStringLiteral("unknown escape \\%1 in a string").arg(e));
            }
        }
    }

    qsizetype position() const { return pos_; }

private:
    char16_t readHex4() {
        if (pos_ + 4 > line_.size())
            throw ScriptError(QStringLiteral("\\u needs four hexadecimal digits"));
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexValue(line_[pos_ + i]);
            if (digit < 0)
                throw ScriptError(QStringLiteral("\\u needs four hexadecimal digits"));
            value = value * 16 + digit;
        }
        pos_ += 4;
        return static_cast<char16_t>(value);
    }

    void readUnicode(QString& out) {
        const char16_t unit = readHex4();
        if (QChar::isLowSurrogate(unit))
            throw ScriptError(QStringLiteral("\\u escape: a low surrogate without its high one"));
        if (!QChar::isHighSurrogate(unit)) {
            out += QChar(unit);
            return;
        }
        if (pos_ + 2 > line_.size() || line_[pos_] != u'\\' || line_[pos_ + 1] != u'u')
            throw ScriptError(QStringLiteral("\\u escape: a high surrogate without its low one"));
        pos_ += 2;
        const char16_t low = readHex4();
        if (!QChar::isLowSurrogate(low))
            throw ScriptError(QStringLiteral("\\u escape: a high surrogate without its low one"));
        out += QChar(unit);
        out += QChar(low);
    }

    QStringView line_;
    qsizetype pos_;
};

} // namespace

std::vector<Token> tokenize(QStringView line) {
    if (line.endsWith(u'\r'))
        line.chop(1);
    std::vector<Token> tokens;
    qsizetype pos = 0;
    const qsizetype size = line.size();
    while (pos < size && isBlank(line[pos]))
        ++pos;
    if (pos < size && line[pos] == u'#')
        return tokens;
    while (pos < size) {
        if (isBlank(line[pos])) {
            ++pos;
            continue;
        }
        if (line[pos] == u'"') {
            QuotedReader reader(line, pos + 1);
            Token token{reader.read(), true};
            pos = reader.position();
            if (pos < size && !isBlank(line[pos]))
                throw ScriptError(QStringLiteral("a blank must follow a closing quote"));
            tokens.push_back(std::move(token));
            continue;
        }
        const qsizetype start = pos;
        while (pos < size && !isBlank(line[pos]))
            ++pos;
        tokens.push_back(Token{line.mid(start, pos - start).toString(), false});
    }
    return tokens;
}

} // namespace quendarx::host
