#pragma once
// Parses one script line into a command. Throws ScriptError with a message for the
// SCRIPT line (the caller adds the line number).
#include "script/Commands.h"
#include "script/Lexer.h"

namespace quendarx::host {

Command parseLine(QStringView line);
Command parseTokens(const std::vector<Token>& tokens);

} // namespace quendarx::host
