// The server's class factories and unload answer, and the record sets it hands to hosts,
// read by names as a late-binding host reads them.
#include "ComHelpers.h"
#include "automation/RecordsetObject.h"

namespace quendarx::test {
namespace {

TEST(Server, CannotUnloadWhileAFactoryAnObjectOrALockLives) {
    ASSERT_EQ(DllCanUnloadNow(), S_OK); // every earlier test released what it made
    Ref<IClassFactory> factory;
    EXPECT_EQ(DllGetClassObject(&IID_IDispatch, &IID_IClassFactory, factory.out()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(DllGetClassObject(&CLSID_clcancelMain, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    Ref<IDispatch> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__clcancelMain, object.out()), S_OK);
    Ref<IDispatch> refused;
    EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, refused.out()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID__clImportar, refused.out()), E_NOINTERFACE);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    object.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    ASSERT_EQ(DllGetClassObject(&CLSID_clImportar, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(factory->LockServer(VARIANT_TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    ASSERT_EQ(DllGetClassObject(&CLSID_clImportar, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(factory->LockServer(VARIANT_FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

// A host written against ADO record sets: Fields(name).Value, rs(index) through the
// default members, Fields.Count, Fields.Item(i).Name, Field.Type; 3265 for a column that
// is not there, 3021 past the end.
TEST(RecordsetObject, ALateBindingHostReadsItAsAnAdoRecordSet) {
    const RecordsetRef data = std::make_shared<Recordset>(
        QStringList{"INTNDC", "ARTINO", "ARTCDS", "ARTVEN"},
        std::vector<std::vector<QVariant>>{{"D-100", qlonglong(3), 2.5, "30/06/2025"},
                                           {"D-200", qlonglong(-1), 0.25, QVariant()}});
    Ref<IRecordset> rs(RecordsetObject::create(data));
    BSTR artino = SysAllocString("artino");
    BSTR nope = SysAllocString("NOPE");
    const auto value = [](IDispatch* field) { return invoke(field, nullptr, DISPATCH_PROPERTYGET, {}); };

    const CallResult byName = call(rs.get(), "Fields", {byRef(&artino)});
    ASSERT_TRUE(byName.hr == S_OK && byName.vt == VT_DISPATCH && byName.object);
    const CallResult number = invoke(byName.object.get(), "Value", DISPATCH_PROPERTYGET, {});
    EXPECT_TRUE(number.hr == S_OK && number.vt == VT_I4 && number.number == 3);
    EXPECT_EQ(invoke(byName.object.get(), "Type", DISPATCH_PROPERTYGET, {}).number, adInteger);

    const CallResult byDefault = invoke(rs.get(), nullptr, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {byValue(0)});
    ASSERT_TRUE(byDefault.object);
    EXPECT_EQ(value(byDefault.object.get()).text, "D-100"); // rs(0) -> Field -> Value

    const CallResult fields = invoke(rs.get(), "Fields", DISPATCH_PROPERTYGET, {});
    ASSERT_TRUE(fields.hr == S_OK && fields.object);
    EXPECT_EQ(invoke(fields.object.get(), "Count", DISPATCH_PROPERTYGET, {}).number, 4);
    const CallResult third = call(fields.object.get(), "Item", {byValue(2)});
    ASSERT_TRUE(third.object);
    EXPECT_EQ(invoke(third.object.get(), "Name", DISPATCH_PROPERTYGET, {}).text, "ARTCDS");
    EXPECT_EQ(invoke(third.object.get(), "Type", DISPATCH_PROPERTYGET, {}).number, adDouble);
    const CallResult fourth = invoke(fields.object.get(), nullptr, DISPATCH_PROPERTYGET, {byValue(3)});
    ASSERT_TRUE(fourth.object);

    // A Field taken once follows the current row; past the end it raises 3021.
    EXPECT_EQ(invoke(rs.get(), "MoveNext", DISPATCH_METHOD, {}).hr, S_OK);
    EXPECT_EQ(value(byName.object.get()).number, -1);
    EXPECT_EQ(value(fourth.object.get()).vt, VT_NULL);
    EXPECT_EQ(invoke(rs.get(), "MoveNext", DISPATCH_METHOD, {}).hr, S_OK);
    for (const CallResult& past : {value(byName.object.get()), invoke(rs.get(), "MoveNext", DISPATCH_METHOD, {})}) {
        EXPECT_EQ(past.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(past.scode, 3021);
    }
    EXPECT_EQ(rs->MoveNext(), E_FAIL);

    // A column that is not there, by name or index, through every road.
    for (const CallResult& missing :
         {call(rs.get(), "Fields", {byRef(&nope)}), invoke(rs.get(), nullptr, DISPATCH_PROPERTYGET, {byValue(4)}),
          call(fields.object.get(), "Item", {byValue(-1)})}) {
        EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(missing.scode, 3265);
    }
    // A Field kept while its record set is closed (or refilled with other columns).
    data->close();
    EXPECT_EQ(invoke(byName.object.get(), "Name", DISPATCH_PROPERTYGET, {}).scode, 3265);
    EXPECT_EQ(value(third.object.get()).scode, 3265);
    SysFreeString(artino);
    SysFreeString(nope);
}

} // namespace
} // namespace quendarx::test
