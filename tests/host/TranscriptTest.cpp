// What the transcript writes: JSON strings that keep every character, shortest C-locale
// numbers, automation values and dates, and printed pages split into lines.
#include "script/Transcript.h"
#include "script/Json.h"
#include "script/Variants.h"
#include "support/TestSupport.h"
#include <cstring>
#include <gtest/gtest.h>

using namespace quendarx::com;
using namespace quendarx::host;

namespace {

TEST(Transcript, JsonKeepsEveryCharacterAndWritesShortestNumbers) {
    const std::pair<QString, QString> strings[] = {
        {u"say \"hi\" \\ bye /"_qs, u"\"say \\\"hi\\\" \\\\ bye /\""_qs},
        {u"a\tb\bc\fd"_qs, u"\"a\\tb\\bc\\fd\""_qs},
        {QString(QChar(0x01)) + QChar(0x1f) + QChar(0x7f), u"\"\\u0001\\u001f\u007f\""_qs},
    };
    for (const auto& [text, json] : strings)
        EXPECT_EQ(jsonString(text), json);

    const std::pair<double, const char16_t*> numbers[] = {
        {-0.0, u"0"},
        {1234567.5, u"1234567.5"},
        {0.1 + 0.2, u"0.30000000000000004"},
        {std::numeric_limits<double>::quiet_NaN(), u"null"},
    };
    for (const auto& [value, json] : numbers)
        EXPECT_EQ(jsonNumber(value), QString::fromUtf16(json)) << value;
}

TEST(Transcript, AutomationValuesAndDates) {
    const std::pair<double, QString> dates[] = {
        {0, u"1899-12-30 00:00:00"_qs},
        {46361.4375, u"2026-12-05 10:30:00"_qs},
        {46361.0 + 86399.0 / 86400.0, u"2026-12-05 23:59:59"_qs},
        {46361.0 + 86399.9 / 86400.0, u"2026-12-06 00:00:00"_qs}, // rounds into the next day
        {-1.25, u"1899-12-29 06:00:00"_qs},                       // before 1899-12-30 the fraction is still the time
    };
    for (const auto& [date, text] : dates)
        EXPECT_EQ(automationDateText(date), text) << date;

    const auto make = [](std::uint16_t vt) {
        VARIANT v;
        std::memset(&v, 0, sizeof v);
        v.vt = vt;
        return v;
    };
    VARIANT v = make(VT_I8);
    v.llVal = 5000000000LL;
    EXPECT_EQ(variantJson(v), u"5000000000"_qs);
    v = make(VT_DATE);
    v.date = 46361.4375;
    EXPECT_EQ(variantJson(v), u"\"2026-12-05 10:30:00\""_qs);
    v = make(VT_BSTR);
    EXPECT_EQ(variantJson(v), u"\"\""_qs); // a null BSTR is the empty text
    std::int16_t item = 3;
    v = make(VT_BYREF | VT_I2);
    v.piVal = &item;
    EXPECT_EQ(variantJson(v), u"3"_qs);
    EXPECT_EQ(variantJson(make(VT_EMPTY)), u"null"_qs);
}

TEST(Transcript, PageLinesSplitAtBreaksKeepingTrailingBlanks) {
    const std::pair<QString, QStringList> cases[] = {
        {u""_qs, {}},
        {u"one\r\ntwo  \r\n"_qs, {u"one"_qs, u"two  "_qs}},
        {u"a\n\nb\rc"_qs, {u"a"_qs, u""_qs, u"b"_qs, u"c"_qs}},
        {u"a\n\n"_qs, {u"a"_qs, u""_qs}},
    };
    for (const auto& [page, lines] : cases)
        EXPECT_EQ(pageLines(page), lines) << page.toStdString();
}

} // namespace
