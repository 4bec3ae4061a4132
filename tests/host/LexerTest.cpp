// The host script's tokens: bare words, JSON-escaped strings, comments and the errors a
// malformed line gives.
#include "script/Lexer.h"
#include "script/ScriptError.h"
#include <gtest/gtest.h>

using namespace quendarx::host;

namespace {

struct LexCase {
    const char* name;
    QString line;
    std::vector<Token> tokens;
};

void PrintTo(const LexCase& c, std::ostream* os) {
    *os << c.name;
}

class LexerTokens : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerTokens, SplitsAsDocumented) {
    const LexCase& c = GetParam();
    const std::vector<Token> tokens = tokenize(c.line);
    ASSERT_EQ(tokens.size(), c.tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].text, c.tokens[i].text) << "token " << i;
        EXPECT_EQ(tokens[i].quoted, c.tokens[i].quoted) << "token " << i;
    }
}

Token bare(const char16_t* s) {
    return Token{QString::fromUtf16(s), false};
}
Token quoted(const char16_t* s) {
    return Token{QString::fromUtf16(s), true};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LexerTokens,
    ::testing::Values(
        LexCase{"blank line", u"   \t "_qs, {}}, LexCase{"comment", u"   # put cm Item 7"_qs, {}},
        LexCase{"hash inside a line is text", u"type #1"_qs, {bare(u"type"), bare(u"#1")}},
        LexCase{"blanks and tabs separate",
                u"  put\tcm   Item 7  "_qs,
                {bare(u"put"), bare(u"cm"), bare(u"Item"), bare(u"7")}},
        LexCase{"CRLF line end",
                u"call cm Conectar_DB\r"_qs,
                {bare(u"call"), bare(u"cm"), bare(u"Conectar_DB")}},
        LexCase{"quoted keeps blanks",
                u"put cm Numero_Interno \"  EXP 001 \""_qs,
                {bare(u"put"), bare(u"cm"), bare(u"Numero_Interno"), quoted(u"  EXP 001 ")}},
        LexCase{"empty string", u"text txt \"\""_qs, {bare(u"text"), bare(u"txt"), quoted(u"")}},
        LexCase{"escapes", uR"(x "a\"b\\c\/d\n\r\t")"_qs, {bare(u"x"), quoted(u"a\"b\\c/d\n\r\t")}},
        LexCase{"unicode escape", uR"(x "Secci\u00f3n")"_qs, {bare(u"x"), quoted(u"Sección")}},
        LexCase{"surrogate pair", uR"(x "\ud83d\ude00")"_qs, {bare(u"x"), quoted(u"\U0001F600")}},
        LexCase{"raw UTF-8 kept",
                u"x \"POSICIÓN\" año"_qs,
                {bare(u"x"), quoted(u"POSICIÓN"), bare(u"año")}},
        LexCase{"semicolon alone and glued",
                u"key Enter ; key F11;"_qs,
                {bare(u"key"), bare(u"Enter"), bare(u";"), bare(u"key"), bare(u"F11;")}},
        LexCase{"quote inside a bare token", u"ab\"c d"_qs, {bare(u"ab\"c"), bare(u"d")}},
        LexCase{"quoted semicolon is text", u"type \";\""_qs, {bare(u"type"), quoted(u";")}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

struct BadCase {
    QString line;
    QString messagePart;
};

TEST(Lexer, RejectsMalformedStrings) {
    const BadCase cases[] = {
        {u"put cm Item \"7"_qs, u"unterminated"_qs},
        {u"put cm Item \"7\\"_qs, u"unterminated"_qs},
        {u"x \"a\\qb\""_qs, u"unknown escape \\q"_qs},
        {u"x \"\\u12\""_qs, u"four hexadecimal"_qs},
        {u"x \"\\u12G4\""_qs, u"four hexadecimal"_qs},
        {u"x \"\\ud83d\""_qs, u"high surrogate"_qs},
        {u"x \"\\ud83dx\""_qs, u"high surrogate"_qs},
        {u"x \"\\ud83d\\u0041\""_qs, u"high surrogate"_qs},
        {u"x \"\\ude00\""_qs, u"low surrogate"_qs},
        {u"x \"ab\"cd"_qs, u"blank must follow"_qs},
    };
    for (const BadCase& c : cases) {
        try {
            tokenize(c.line);
            ADD_FAILURE() << "accepted: " << c.line.toStdString();
        } catch (const ScriptError& e) {
            EXPECT_TRUE(e.message().contains(c.messagePart))
                << c.line.toStdString() << " -> " << e.what();
        }
    }
}

} // namespace
