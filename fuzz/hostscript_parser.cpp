// The host script's lexer and parser: any line either parses or is refused with a
// ScriptError, never anything else; and the tokens of a line, written back as JSON
// strings, tokenize to the same texts.
#include "script/Json.h"
#include "script/Lexer.h"
#include "script/Parser.h"
#include "script/ScriptError.h"
#include <cstdint>
#include <cstdlib>

using namespace quendarx::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        (void)parseLine(line);
    } catch (const ScriptError&) {
    }
    std::vector<Token> tokens;
    try {
        tokens = tokenize(line);
    } catch (const ScriptError&) {
        return 0;
    }
    QStringList quoted;
    for (const Token& token : tokens)
        quoted << jsonString(token.text);
    std::vector<Token> again;
    try {
        again = tokenize(quoted.join(QLatin1Char(' ')));
    } catch (const ScriptError&) {
        std::abort();
    }
    if (again.size() != tokens.size())
        std::abort();
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (again[i].text != tokens[i].text || !again[i].quoted)
            std::abort();
    return 0;
}
