// Reading host scripts: tokens, numbers versus text in calls, and the errors of lines
// that make no sense.
#include "script/Lexer.h"
#include "script/Parser.h"
#include "script/ScriptError.h"
#include "support/TestSupport.h"
#include <functional>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::host;

namespace {

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ScriptError& e) {
        return e.message();
    }
    return QStringLiteral("<accepted>");
}

TEST(Script, TokensSplitAtBlanksAndStringsTakeJsonEscapes) {
    struct Case {
        QString line;
        QStringList tokens; // quoted ones written as "text"
    } cases[] = {
        {u"   # put cm Item 7"_qs, {}},
        {u"  put\tcm   Item 7 #1\r"_qs, {u"put"_qs, u"cm"_qs, u"Item"_qs, u"7"_qs, u"#1"_qs}},
        {u"x \"  a b \" \"\""_qs, {u"x"_qs, u"\"  a b \""_qs, u"\"\""_qs}},
        {uR"(x "a\"b\\c\/d\n\r\t" "Secci\u00f3n" "\ud83d\ude00" año)"_qs,
         {u"x"_qs, u"\"a\"b\\c/d\n\r\t\""_qs, u"\"Sección\""_qs, u"\"\U0001F600\""_qs, u"año"_qs}},
        {u"key Enter ; key F11; ab\"c \";\""_qs,
         {u"key"_qs, u"Enter"_qs, u";"_qs, u"key"_qs, u"F11;"_qs, u"ab\"c"_qs, u"\";\""_qs}},
    };
    for (const Case& c : cases) {
        QStringList tokens;
        for (const Token& t : tokenize(c.line))
            tokens << (t.quoted ? u"\""_qs + t.text + u"\""_qs : t.text);
        EXPECT_EQ(tokens, c.tokens) << c.line.toStdString();
    }
    const std::pair<QString, QString> bad[] = {
        {u"put cm Item \"7\\"_qs, u"unterminated"_qs}, {u"x \"a\\qb\""_qs, u"unknown escape \\q"_qs},
        {u"x \"\\u12G4\""_qs, u"four hexadecimal"_qs}, {u"x \"\\ud83dx\""_qs, u"high surrogate"_qs},
        {u"x \"\\ude00\""_qs, u"low surrogate"_qs},    {u"x \"ab\"cd"_qs, u"blank must follow"_qs},
    };
    for (const auto& [line, message] : bad)
        EXPECT_TRUE(errorOf([&] { tokenize(line); }).contains(message)) << line.toStdString();
}

TEST(Script, CallArgumentsAreWholeNumbersOnlyWhenBareDigits) {
    const std::pair<QString, QString> cases[] = {
        {u"7"_qs, u"7"_qs},           {u"-12"_qs, u"-12"_qs},   {u"007"_qs, u"7"_qs},
        {u"-32768"_qs, u"-32768"_qs}, {u"\"7\""_qs, u"'7'"_qs}, {u"1.5"_qs, u"'1.5'"_qs},
        {u"-"_qs, u"'-'"_qs},         {u"+3"_qs, u"'+3'"_qs},   {u"12a"_qs, u"'12a'"_qs},
    };
    for (const auto& [token, expected] : cases) {
        const Command command = parseLine(u"call cm Eliminar_Articulo x "_qs + token);
        const auto& arguments = std::get<CallCommand>(command).arguments;
        ASSERT_EQ(arguments.size(), 2u);
        const Argument& a = arguments[1];
        EXPECT_EQ(a.isNumber ? QString::number(a.number) : u"'"_qs + a.text + u"'"_qs, expected);
    }
}

TEST(Script, LinesThatMakeNoSenseAreExplained) {
    const std::pair<QString, QString> cases[] = {
        {u"\"new\" cm clcancelMain"_qs, u"unknown command: new"_qs},
        {u"put cm Item 1 2"_qs, u"usage: put VAR PROPERTY VALUE"_qs},
        {u"call cm Eliminar_Articulo x 40000"_qs, u"whole number out of the 16-bit range: 40000"_qs},
        {u"locale xx_QQ"_qs, u"unknown locale: xx_QQ"_qs},
        {u"clock 2026-02-30 10:00:00"_qs, u"not a date and time: 2026-02-30 10:00:00"_qs},
        {u"printers A default C"_qs, u"default printer is not among the printers: C"_qs},
        {u"answer yes"_qs, u"usage: answer Yes|No"_qs},
        {u"when frmOtro key Enter"_qs, u"unknown screen: frmOtro"_qs},
        {u"when frmDespachos key Return"_qs, u"unknown key: Return"_qs},
        {u"when frmDespachos key Enter ; ; dump"_qs, u"empty action in when"_qs},
        {u"when frmDespachos select -1"_qs, u"select needs a row number or none: -1"_qs},
    };
    for (const auto& [line, message] : cases)
        EXPECT_EQ(errorOf([&] { parseLine(line); }), message) << line.toStdString();
}

} // namespace
