// Reading results and record sets back from the automation interface: Boolean results,
// dates, and a record set walked through IRecordset into RS lines.
#include "script/Variants.h"
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <map>

using namespace quendarx::com;
using namespace quendarx::host;

namespace {

BSTR fakeAlloc(const char* text) {
    char* copy = static_cast<char*>(std::malloc(std::strlen(text) + 1));
    std::strcpy(copy, text);
    return copy;
}
int g_liveStrings = 0;
BSTR countedAlloc(const char* text) {
    ++g_liveStrings;
    return fakeAlloc(text);
}
void fakeFree(BSTR text) {
    if (text) {
        --g_liveStrings;
        std::free(text);
    }
}
void fakeInit(VARIANT* v) {
    std::memset(v, 0, sizeof *v);
}
HRESULT fakeClear(VARIANT* v) {
    if (v->vt == VT_BSTR)
        fakeFree(v->bstrVal);
    v->vt = VT_EMPTY;
    return S_OK;
}
const ComRuntime kRuntime{countedAlloc, fakeFree, fakeInit, fakeClear};

VARIANT make(std::uint16_t vt) {
    VARIANT v;
    fakeInit(&v);
    v.vt = vt;
    return v;
}

TEST(Variants, AutomationDatesAsText) {
    EXPECT_EQ(automationDateText(0), u"1899-12-30 00:00:00"_qs);
    EXPECT_EQ(automationDateText(2), u"1900-01-01 00:00:00"_qs);
    EXPECT_EQ(automationDateText(46361.4375), u"2026-12-05 10:30:00"_qs);
    EXPECT_EQ(automationDateText(46361.0 + 86399.0 / 86400.0), u"2026-12-05 23:59:59"_qs);
    // Rounding up to the next midnight moves to the next day.
    EXPECT_EQ(automationDateText(46361.0 + 86399.9 / 86400.0), u"2026-12-06 00:00:00"_qs);
    // Before 1899-12-30 the fraction is still the time of day.
    EXPECT_EQ(automationDateText(-1.25), u"1899-12-29 06:00:00"_qs);
}

TEST(Variants, ValuesAsJson) {
    VARIANT v = make(VT_NULL);
    EXPECT_EQ(variantJson(v), u"null"_qs);
    v = make(VT_EMPTY);
    EXPECT_EQ(variantJson(v), u"null"_qs);
    v = make(VT_I4);
    v.lVal = -7;
    EXPECT_EQ(variantJson(v), u"-7"_qs);
    v = make(VT_I8);
    v.llVal = 5000000000LL;
    EXPECT_EQ(variantJson(v), u"5000000000"_qs);
    v = make(VT_R8);
    v.dblVal = 2.5;
    EXPECT_EQ(variantJson(v), u"2.5"_qs);
    v.dblVal = 15;
    EXPECT_EQ(variantJson(v), u"15"_qs);
    v = make(VT_DATE);
    v.date = 46361.4375;
    EXPECT_EQ(variantJson(v), u"\"2026-12-05 10:30:00\""_qs);
    char text[] = "EXP \"1\"";
    v = make(VT_BSTR);
    v.bstrVal = text;
    EXPECT_EQ(variantJson(v), u"\"EXP \\\"1\\\"\""_qs);
    v.bstrVal = nullptr;
    EXPECT_EQ(variantJson(v), u"\"\""_qs);
    std::int16_t item = 3;
    v = make(VT_BYREF | VT_I2);
    v.piVal = &item;
    EXPECT_EQ(variantJson(v), u"3"_qs);
}

TEST(Variants, ResultTextOfBooleansAndNothing) {
    VARIANT v = make(VT_BOOL);
    v.boolVal = VARIANT_TRUE;
    EXPECT_EQ(resultText(v), u"True"_qs);
    v.boolVal = VARIANT_FALSE;
    EXPECT_EQ(resultText(v), u"False"_qs);
    EXPECT_EQ(resultText(make(VT_EMPTY)), QString());
    v = make(VT_I2);
    v.iVal = 4;
    EXPECT_EQ(resultText(v), u"4"_qs);
}

// A record set as the library hands it: columns and rows of variants.
class FakeRecordset : public IRecordset {
public:
    std::vector<QString> columns;
    std::vector<std::vector<VARIANT>> rows;
    std::size_t current = 0;
    int refs = 1;
    bool answersRecordset = true;

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (iid == IID_IRecordset && answersRecordset) {
            *object = static_cast<IRecordset*>(this);
            ++refs;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }
    HRESULT GetIDsOfNames(const char* const*, std::uint32_t, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, std::uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        return E_NOTIMPL;
    }
    HRESULT get_RecordCount(std::int32_t* count) override {
        *count = static_cast<std::int32_t>(rows.size());
        return S_OK;
    }
    HRESULT get_EOF(VARIANT_BOOL* eof) override {
        *eof = current >= rows.size() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT MoveNext() override {
        ++current;
        return S_OK;
    }
    HRESULT MoveFirst() override {
        current = 0;
        return S_OK;
    }
    HRESULT get_FieldCount(std::int32_t* count) override {
        *count = static_cast<std::int32_t>(columns.size());
        return S_OK;
    }
    HRESULT get_FieldName(std::int32_t index, BSTR* name) override {
        *name = countedAlloc(columns.at(static_cast<std::size_t>(index)).toUtf8().constData());
        return S_OK;
    }
    HRESULT get_Field(const char* name, VARIANT* value) override {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0) {
                *value = rows.at(current).at(c);
                if (value->vt == VT_BSTR) // the caller owns a copy
                    value->bstrVal = countedAlloc(value->bstrVal);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
};

TEST(Variants, RecordsetLinesWalkEveryRow) {
    static char d100[] = "D-100";
    static char empty[] = "";
    FakeRecordset rs;
    rs.columns = {u"INTNDC"_qs, u"ARTINO"_qs, u"ARTSNO"_qs, u"ARTCDS"_qs,
                  u"ARTEXP"_qs, u"EXTFDC"_qs, u"ARTORD"_qs};
    auto row = [&](const char* code, int item, double quantity, double date, bool nullOrder) {
        std::vector<VARIANT> r(7);
        r[0] = make(VT_BSTR);
        r[0].bstrVal = const_cast<char*>(code);
        r[1] = make(VT_I4);
        r[1].lVal = item;
        r[2] = make(VT_I4);
        r[2].lVal = 0;
        r[3] = make(VT_R8);
        r[3].dblVal = quantity;
        r[4] = make(VT_BSTR);
        r[4].bstrVal = empty;
        r[5] = make(VT_DATE);
        r[5].date = date;
        r[6] = make(nullOrder ? VT_NULL : VT_I4);
        r[6].lVal = 2;
        return r;
    };
    rs.rows.push_back(row(d100, 1, 2.5, 46361.4375, true));
    rs.rows.push_back(row(d100, 2, 10, 46361.0, false));
    rs.current = 1; // the walk starts from the first row whatever the position
    g_liveStrings = 0;

    const QStringList lines = recordsetLines(&rs, kRuntime);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              u"[\"INTNDC\",\"ARTINO\",\"ARTSNO\",\"ARTCDS\",\"ARTEXP\",\"EXTFDC\",\"ARTORD\"]"_qs);
    EXPECT_EQ(lines[1], u"[\"D-100\",1,0,2.5,\"\",\"2026-12-05 10:30:00\",null]"_qs);
    EXPECT_EQ(lines[2], u"[\"D-100\",2,0,10,\"\",\"2026-12-05 00:00:00\",2]"_qs);
    EXPECT_EQ(g_liveStrings, 0) << "every name and value string is given back";
    EXPECT_EQ(rs.refs, 1) << "the IRecordset reference is released";
}

TEST(Variants, RecordsetLinesOfNothingAndOfNoRows) {
    EXPECT_EQ(recordsetLines(nullptr, kRuntime), QStringList{u"nothing"_qs});
    FakeRecordset rs;
    rs.columns = {u"A"_qs};
    EXPECT_EQ(recordsetLines(&rs, kRuntime), QStringList{u"[\"A\"]"_qs});
    rs.answersRecordset = false;
    EXPECT_EQ(recordsetLines(&rs, kRuntime), QStringList{u"nothing"_qs});
}

} // namespace
