// What the transcript writes: JSON strings that keep every character, C-locale numbers,
// printed pages split into lines, and lines reaching the sink one at a time.
#include "script/Transcript.h"
#include "script/Json.h"
#include <clocale>
#include <gtest/gtest.h>

using namespace quendarx::host;

namespace {

TEST(Json, StringsKeepEveryCharacter) {
    struct Case {
        QString text;
        QString json;
    } cases[] = {
        {u""_qs, u"\"\""_qs},
        {u"  padded  "_qs, u"\"  padded  \""_qs},
        {u"say \"hi\" \\ bye"_qs, u"\"say \\\"hi\\\" \\\\ bye\""_qs},
        {u"13 - Type mismatch\r\n\r\nSección [x]"_qs,
         u"\"13 - Type mismatch\\r\\n\\r\\nSección [x]\""_qs},
        {u"a\tb\bc\fd"_qs, u"\"a\\tb\\bc\\fd\""_qs},
        {QString(QChar(0x01)) + QChar(0x1f) + QChar(0x7f), u"\"\\u0001\\u001f\u007f\""_qs},
        {u"POSICIÓN ñ €"_qs, u"\"POSICIÓN ñ €\""_qs},
        {u"/"_qs, u"\"/\""_qs},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jsonString(c.text), c.json) << c.text.toStdString();
}

TEST(Json, NumbersAreShortestCLocaleForms) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "C.UTF-8");
    struct Case {
        double value;
        const char16_t* json;
    } cases[] = {
        {2.5, u"2.5"},
        {1, u"1"},
        {10, u"10"},
        {-0.125, u"-0.125"},
        {0.1, u"0.1"},
        {-0.0, u"0"},
        {1234567.5, u"1234567.5"},
        {0.1 + 0.2, u"0.30000000000000004"},
        {15.0 / 2, u"7.5"},
        {std::numeric_limits<double>::infinity(), u"null"},
        {std::numeric_limits<double>::quiet_NaN(), u"null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jsonNumber(c.value), QString::fromUtf16(c.json)) << c.value;
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Json, ArraysHaveNoBlanks) {
    EXPECT_EQ(jsonArray({}), u"[]"_qs);
    EXPECT_EQ(jsonArray({u"1"_qs, u"null"_qs, u"\"x\""_qs}), u"[1,null,\"x\"]"_qs);
    EXPECT_EQ(jsonStringArray({u"INTNDC"_qs, u"a,b"_qs}), u"[\"INTNDC\",\"a,b\"]"_qs);
}

TEST(Transcript, WritesEachLineAsUtf8WithItsBreak) {
    std::vector<QByteArray> written;
    Transcript transcript([&](const QByteArray& line) { written.push_back(line); });
    transcript.write(u"MSG 64 \"Listo\""_qs);
    transcript.write(u"| POSICIÓN  "_qs);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], QByteArray("MSG 64 \"Listo\"\n"));
    EXPECT_EQ(written[1], QByteArray("| POSICI\xC3\x93N  \n"));
}

TEST(Transcript, PageLinesSplitAtBreaksKeepingTrailingBlanks) {
    struct Case {
        QString page;
        QStringList lines;
    } cases[] = {
        {u""_qs, {}},
        {u"one"_qs, {u"one"_qs}},
        {u"one\n"_qs, {u"one"_qs}},
        {u"one\r\ntwo  \r\n"_qs, {u"one"_qs, u"two  "_qs}},
        {u"a\n\nb\n"_qs, {u"a"_qs, u""_qs, u"b"_qs}},
        {u"\n"_qs, {u""_qs}},
        {u"a\rb"_qs, {u"a"_qs, u"b"_qs}},
        {u"a\n\n"_qs, {u"a"_qs, u""_qs}},
        {u"   "_qs, {u"   "_qs}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pageLines(c.page), c.lines) << c.page.toStdString();
}

} // namespace
