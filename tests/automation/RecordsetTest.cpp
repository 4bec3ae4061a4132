// The record sets handed to the host: values as variants, walked by the interface and
// by names; and the record-set parameter of Obtener_Items through dispatch.
#include "ComHelpers.h"
#include "automation/RecordsetObject.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

// The current row's value of a column, into a variant emptied first.
HRESULT fieldOf(IRecordset* rs, const char* name, Variant& v) {
    VariantClear(&v.v);
    return rs->get_Field(name, &v.v);
}

RecordsetRef sample() {
    const QDateTime when(QDate(2026, 12, 5), QTime(10, 30));
    std::vector<std::vector<QVariant>> rows{
        {QStringLiteral("D-100"), qlonglong(3), 2.5, when, QVariant(), qlonglong(5000000000)},
        {QStringLiteral("D-200"), qlonglong(-1), 0.25, QVariant(), QStringLiteral(""), qlonglong(7)},
    };
    return std::make_shared<Recordset>(
        QStringList{"INTNDC", "ARTINO", "ARTCDS", "EXTFDC", "ARTVEN", "BIG"}, std::move(rows));
}

TEST(RecordsetObject, ValuesComeAsTheVariantsTheHostExpects) {
    Ref<IRecordset> rs(RecordsetObject::create(sample()));
    std::int32_t count = 0;
    ASSERT_EQ(rs->get_RecordCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(rs->get_FieldCount(&count), S_OK);
    EXPECT_EQ(count, 6);
    BSTR name = nullptr;
    ASSERT_EQ(rs->get_FieldName(3, &name), S_OK);
    EXPECT_STREQ(name, "EXTFDC");
    SysFreeString(name);
    EXPECT_EQ(rs->get_FieldName(6, &name), E_INVALIDARG);

    Variant v;
    ASSERT_EQ(fieldOf(rs.get(), "intndc", v), S_OK);
    ASSERT_EQ(v.v.vt, VT_BSTR);
    EXPECT_STREQ(v.v.bstrVal, "D-100");
    ASSERT_EQ(fieldOf(rs.get(), "ARTINO", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_I4);
    EXPECT_EQ(v.v.lVal, 3);
    ASSERT_EQ(fieldOf(rs.get(), "ARTCDS", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_R8);
    EXPECT_EQ(v.v.dblVal, 2.5);
    ASSERT_EQ(fieldOf(rs.get(), "EXTFDC", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(v.v.date, 46361.4375);
    ASSERT_EQ(fieldOf(rs.get(), "ARTVEN", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_NULL);
    ASSERT_EQ(fieldOf(rs.get(), "BIG", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_I8);
    EXPECT_EQ(v.v.llVal, 5000000000LL);
    EXPECT_EQ(fieldOf(rs.get(), "NOPE", v), E_INVALIDARG);

    VARIANT_BOOL eof = VARIANT_TRUE;
    ASSERT_EQ(rs->MoveNext(), S_OK);
    ASSERT_EQ(rs->get_EOF(&eof), S_OK);
    EXPECT_EQ(eof, VARIANT_FALSE);
    ASSERT_EQ(fieldOf(rs.get(), "ARTVEN", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_BSTR); // an empty text is not a null
    ASSERT_EQ(fieldOf(rs.get(), "EXTFDC", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_NULL);
    ASSERT_EQ(rs->MoveNext(), S_OK);
    ASSERT_EQ(rs->get_EOF(&eof), S_OK);
    EXPECT_EQ(eof, VARIANT_TRUE);
    EXPECT_EQ(fieldOf(rs.get(), "INTNDC", v), E_INVALIDARG); // no current row
    ASSERT_EQ(rs->MoveFirst(), S_OK);
    ASSERT_EQ(fieldOf(rs.get(), "INTNDC", v), S_OK);
    EXPECT_STREQ(v.v.bstrVal, "D-100");
}

TEST(RecordsetObject, ALateBindingHostReadsItByNames) {
    Ref<IRecordset> rs(RecordsetObject::create(sample()));
    IDispatch* d = rs.get();
    BSTR column = SysAllocString("artino");

    Variant out;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO error{};
    ASSERT_EQ(d->Invoke(dispId(d, "recordcount"), DISPATCH_PROPERTYGET, &none, &out.v, nullptr, nullptr), S_OK);
    EXPECT_EQ(out.v.lVal, 2);

    VARIANT byName = byRef(&column);
    DISPPARAMS one{&byName, nullptr, 1, 0};
    ASSERT_EQ(d->Invoke(dispId(d, "Fields"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, &one, &out.v, &error, nullptr),
              S_OK);
    EXPECT_EQ(out.v.vt, VT_I4);
    EXPECT_EQ(out.v.lVal, 3);
    VARIANT byIndex = byValue(0);
    one.rgvarg = &byIndex;
    ASSERT_EQ(d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, &one, &out.v, &error, nullptr), S_OK);
    EXPECT_STREQ(out.v.bstrVal, "D-100");
    VariantClear(&out.v);

    ASSERT_EQ(d->Invoke(dispId(d, "MoveNext"), DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    ASSERT_EQ(d->Invoke(dispId(d, "EOF"), DISPATCH_PROPERTYGET, &none, &out.v, nullptr, nullptr), S_OK);
    EXPECT_EQ(out.v.boolVal, VARIANT_FALSE);

    SysFreeString(column);
    column = SysAllocString("NOPE");
    byName = byRef(&column);
    one.rgvarg = &byName;
    ASSERT_EQ(d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, &one, &out.v, &error, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(error.scode, 3265);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(column);
}

class HostQueries : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        cm = cancelMain();
        put(cm.get(), "Ubicacion_Base_Datos", db.path());
        ASSERT_TRUE(call(cm.get(), "Conectar_DB").boolean);
        put(cm.get(), "Numero_Interno", "EXP-1");
        put(cm.get(), "Item", "1");
    }
    void TearDown() override {
        cm.reset();
        resetLibraryState();
    }
    ScratchDatabase db;
    RecordingMessageBoxes boxes;
    Ref<IDispatch> cm;
};

TEST_F(HostQueries, AnItemWithoutCancellationsGivesFalseAndAnEmptyReference) {
    for (const char* method : {"Obtener_Items", "ObtenerCancelacion"}) {
        SCOPED_TRACE(method);
        // The host's variable holds an earlier record set: it is released and emptied.
        Ref<IDispatch> rs(RecordsetObject::create(sample()));
        const CallResult r = call(cm.get(), method, {byRef(rs.slot())});
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.vt, VT_BOOL);
        EXPECT_FALSE(r.boolean);
        EXPECT_FALSE(rs);
    }
    EXPECT_TRUE(boxes.shown.empty());
    cm.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(HostQueries, TheCancellationsOfTheItemComeBackAsARecordSet) {
    db.exec(QStringLiteral("INSERT INTO ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, "
                           "ARTDSC) VALUES ('A', 'D-100', 2, 0, '8471', 10, 1, 10, 7.5)"));
    db.exec(QStringLiteral("INSERT INTO CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, "
                           "ARTVEN, ARTORD, EXTNRO, EXTITM, EXTFDC) VALUES (1, 'D-100', 2, 0, 2.5, 'E', 'C', '', "
                           "NULL, 'EXP-1', 1, '2026-12-05 10:30:00')"));
    IDispatch* raw = nullptr;
    const CallResult r = call(cm.get(), "Obtener_Items", {byRef(&raw)});
    Ref<IDispatch> rs(raw);
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_TRUE(r.boolean);
    ASSERT_TRUE(rs);
    Ref<IRecordset> typed;
    ASSERT_EQ(rs->QueryInterface(IID_IRecordset, typed.out()), S_OK);
    std::int32_t count = 0;
    typed->get_RecordCount(&count);
    EXPECT_EQ(count, 1);
    Variant v;
    ASSERT_EQ(fieldOf(typed.get(), "ARTCDS", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_R8);
    EXPECT_EQ(v.v.dblVal, 2.5);
    ASSERT_EQ(fieldOf(typed.get(), "ARTORD", v), S_OK);
    EXPECT_EQ(v.v.vt, VT_NULL);

    // Passed in again, the host's record set is refilled or replaced, never leaked.
    typed.reset();
    EXPECT_TRUE(call(cm.get(), "ObtenerCancelacion", {byRef(rs.slot())}).boolean);
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->QueryInterface(IID_IRecordset, typed.out()), S_OK);
    ASSERT_EQ(fieldOf(typed.get(), "ARTNCM", v), S_OK);
    EXPECT_STREQ(v.v.bstrVal, "8471");
    typed.reset();
    rs.reset();
    cm.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

} // namespace
} // namespace quendarx::test
