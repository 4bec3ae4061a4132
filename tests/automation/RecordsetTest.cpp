// The record sets handed to the host: values as the variants hosts expect, read through
// the interface or by names, and the host's own reference refilled or released.
#include "ComHelpers.h"
#include "automation/RecordsetObject.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

RecordsetRef sample() {
    std::vector<std::vector<QVariant>> rows{
        {QStringLiteral("D-100"), qlonglong(3), 2.5, QDateTime(QDate(2026, 12, 5), QTime(10, 30)), QVariant(),
         qlonglong(5000000000)},
        {QStringLiteral("D-200"), qlonglong(-1), 0.25, QVariant(), QStringLiteral(""), qlonglong(7)},
    };
    return std::make_shared<Recordset>(QStringList{"INTNDC", "ARTINO", "ARTCDS", "EXTFDC", "ARTVEN", "BIG"},
                                       std::move(rows));
}

TEST(RecordsetObject, ValuesComeAsTheVariantsTheHostExpects) {
    Ref<IRecordset> rs(RecordsetObject::create(sample()));
    std::int32_t count = 0;
    ASSERT_EQ(rs->get_RecordCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    Variant v;
    const auto field = [&](const char* name) {
        VariantClear(&v.v);
        return rs->get_Field(name, &v.v);
    };
    ASSERT_EQ(field("intndc"), S_OK);
    EXPECT_TRUE(v.v.vt == VT_BSTR && QByteArray(v.v.bstrVal) == "D-100");
    ASSERT_EQ(field("ARTINO"), S_OK);
    EXPECT_TRUE(v.v.vt == VT_I4 && v.v.lVal == 3);
    ASSERT_EQ(field("ARTCDS"), S_OK);
    EXPECT_TRUE(v.v.vt == VT_R8 && v.v.dblVal == 2.5);
    ASSERT_EQ(field("EXTFDC"), S_OK);
    EXPECT_TRUE(v.v.vt == VT_DATE && v.v.date == 46361.4375);
    ASSERT_EQ(field("ARTVEN"), S_OK);
    EXPECT_EQ(v.v.vt, VT_NULL);
    ASSERT_EQ(field("BIG"), S_OK);
    EXPECT_TRUE(v.v.vt == VT_I8 && v.v.llVal == 5000000000LL);
    EXPECT_EQ(field("NOPE"), E_INVALIDARG);

    const auto next = [&] {
        VARIANT_BOOL eof = VARIANT_TRUE;
        EXPECT_EQ(rs->MoveNext(), S_OK);
        EXPECT_EQ(rs->get_EOF(&eof), S_OK);
        return eof == VARIANT_TRUE;
    };
    EXPECT_FALSE(next());
    ASSERT_EQ(field("ARTVEN"), S_OK);
    EXPECT_EQ(v.v.vt, VT_BSTR); // an empty text is not a null
    EXPECT_TRUE(next());
    EXPECT_EQ(field("INTNDC"), E_INVALIDARG); // no current row
    ASSERT_EQ(rs->MoveFirst(), S_OK);
    ASSERT_EQ(field("INTNDC"), S_OK);
    EXPECT_STREQ(v.v.bstrVal, "D-100");
}

TEST(RecordsetObject, ALateBindingHostReadsItByNames) {
    Ref<IRecordset> rs(RecordsetObject::create(sample()));
    IDispatch* d = rs.get();
    EXPECT_EQ(invoke(d, "MoveNext", DISPATCH_METHOD, {}).hr, S_OK);
    BSTR column = SysAllocString("artino");
    Variant out;
    EXCEPINFO error{};
    VARIANT byName = byRef(&column);
    DISPPARAMS one{&byName, nullptr, 1, 0};
    ASSERT_EQ(d->Invoke(dispId(d, "Fields"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, &one, &out.v, &error, nullptr),
              S_OK);
    EXPECT_TRUE(out.v.vt == VT_I4 && out.v.lVal == -1);
    VARIANT byIndex = byValue(0);
    one.rgvarg = &byIndex;
    ASSERT_EQ(d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, &one, &out.v, &error, nullptr), S_OK);
    EXPECT_STREQ(out.v.bstrVal, "D-200");
    VariantClear(&out.v);
    SysFreeString(column);
    column = SysAllocString("NOPE");
    one.rgvarg = &byName;
    ASSERT_EQ(d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, &one, &out.v, &error, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(error.scode, 3265);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(column);
}

// The host's variable may hold an earlier record set: it is refilled, replaced or
// released and emptied, never leaked.
TEST(RecordsetObject, TheHostsReferenceIsRefilledOrReleased) {
    resetLibraryState();
    ScratchDatabase db;
    RecordingMessageBoxes boxes;
    db.exec(QStringLiteral("INSERT INTO ARTICULOS VALUES ('A', 'D-100', 2, 0, '8471', 10, 1, 10, 7.5);"
                           "INSERT INTO CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM) "
                           "VALUES (1, 'D-100', 2, 0, 2.5, 'EXP-1', 1)"));
    {
        auto cm = cancelMain();
        put(cm.get(), "Ubicacion_Base_Datos", db.path());
        ASSERT_TRUE(call(cm.get(), "Conectar_DB").boolean);
        put(cm.get(), "Numero_Interno", "EXP-1");
        for (const char* item : {"1", "2"}) {
            put(cm.get(), "Item", item);
            for (const char* method : {"Obtener_Items", "ObtenerCancelacion"}) {
                SCOPED_TRACE(std::string(method) + " " + item);
                Ref<IDispatch> rs(RecordsetObject::create(sample()));
                const CallResult r = call(cm.get(), method, {byRef(rs.slot())});
                ASSERT_EQ(r.hr, S_OK);
                EXPECT_EQ(r.boolean, *item == '1');
                EXPECT_EQ(bool(rs), *item == '1');
            }
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    resetLibraryState();
}

} // namespace
} // namespace quendarx::test
