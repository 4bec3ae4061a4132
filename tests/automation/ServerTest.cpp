// The server's entry points: registration in the registry file, class factories, the
// unload answer and automation dates; and the record sets it hands to hosts, read by
// names as a late-binding host reads them.
#include "ComHelpers.h"
#include "automation/ComSupport.h"
#include "automation/RecordsetObject.h"
#include "automation/Registry.h"
#include <QFile>
#include <QTemporaryDir>
#include <optional>

namespace quendarx::test {
namespace {

// Sets an environment variable for a scope (unset when value is nullopt).
struct ScopedEnv {
    const char* name;
    std::optional<QByteArray> old;
    ScopedEnv(const char* n, std::optional<QString> value)
        : name(n), old(qEnvironmentVariableIsSet(n) ? std::optional(qgetenv(n)) : std::nullopt) {
        value ? qputenv(name, value->toUtf8()) : qunsetenv(name);
    }
    ~ScopedEnv() { old ? qputenv(name, *old) : qunsetenv(name); }
};

// Both classes' sections written (with the right class ids and library: the host scripts
// create every object through them) once however often, other sections kept.
TEST(Registration, WritesBothClassesOnceKeepsOtherSectionsAndRemovesItsOwn) {
    QTemporaryDir dir;
    const QString file = dir.filePath("registry.ini");
    ScopedEnv env("QUENDARX_REGISTRY", file);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Other.Server]\nCLSID={00000000-0000-0000-0000-000000000001}\nLibrary=/opt/other.so\n");
    }
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllRegisterServer(), S_OK); // again: replaced, not repeated
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).count("[QuendarxDLL.clcancelMain]"), 1);
    EXPECT_TRUE(registry::lookUp(file, "quendarxdll.CLCANCELMAIN")); // whatever the letter case
    ASSERT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(registry::lookUp(file, "QuendarxDLL.clcancelMain"));
    EXPECT_FALSE(registry::lookUp(file, "QuendarxDLL.clImportar"));
    EXPECT_EQ(registry::lookUp(file, "Other.Server")->library, "/opt/other.so");
    EXPECT_EQ(DllUnregisterServer(), S_OK); // nothing left to remove

    ScopedEnv noFile("QUENDARX_REGISTRY", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    EXPECT_EQ(registry::registryFilePath(), dir.filePath("quendarx/registry.ini"));
}

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

TEST(Server, OleDatesCountDaysFromTheEndOf1899) {
    // The time stays a positive fraction before day 0.
    for (const auto& [when, ole] : {std::pair{QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
                                    {QDateTime(QDate(1900, 1, 1), QTime(18, 0)), 2.75},
                                    {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25}}) {
        EXPECT_DOUBLE_EQ(toOleDate(when), ole);
        EXPECT_EQ(fromOleDate(ole), when);
    }
    // A time a hair before midnight rounds into the next day.
    EXPECT_EQ(fromOleDate(1.0 - 1e-10), QDateTime(QDate(1899, 12, 31), QTime(0, 0)));
}

RecordsetRef sample() {
    return std::make_shared<Recordset>(
        QStringList{"INTNDC", "ARTINO", "ARTCDS", "EXTFDC", "ARTVEN", "BIG"},
        std::vector<std::vector<QVariant>>{{"D-100", qlonglong(3), 2.5, QDateTime(QDate(2026, 12, 5), QTime(10, 30)),
                                            QVariant(), qlonglong(5000000000)},
                                           {"D-200", qlonglong(-1), 0.25, QVariant(), "", qlonglong(7)}});
}

// A host written against ADO record sets: Fields(name).Value, rs(name) through the default
// members, Fields.Count, Fields(i).Name, Fields.Item(i), Field.Type; 3265 for a column that
// is not there, 3021 past the end, by name and by dispatch id alike.
TEST(RecordsetObject, ALateBindingHostReadsItAsAnAdoRecordSet) {
    const RecordsetRef data = sample();
    Ref<IRecordset> rs(RecordsetObject::create(data));
    BSTR artino = SysAllocString("artino");
    BSTR nope = SysAllocString("NOPE");
    const auto value = [](IDispatch* field) { return invoke(field, nullptr, DISPATCH_PROPERTYGET, {}); };

    const CallResult byName = call(rs.get(), "Fields", {byRef(&artino)});
    ASSERT_TRUE(byName.hr == S_OK && byName.vt == VT_DISPATCH && byName.object);
    const CallResult number = invoke(byName.object.get(), "Value", DISPATCH_PROPERTYGET, {});
    EXPECT_TRUE(number.hr == S_OK && number.vt == VT_I4 && number.number == 3);
    EXPECT_EQ(invoke(byName.object.get(), "Name", DISPATCH_PROPERTYGET, {}).text, "ARTINO");
    EXPECT_EQ(invoke(byName.object.get(), "Type", DISPATCH_PROPERTYGET, {}).number, adInteger);

    const CallResult byDefault = invoke(rs.get(), nullptr, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {byValue(0)});
    ASSERT_TRUE(byDefault.object);
    EXPECT_EQ(value(byDefault.object.get()).text, "D-100"); // rs(0) -> Field -> Value

    const CallResult fields = invoke(rs.get(), "Fields", DISPATCH_PROPERTYGET, {});
    ASSERT_TRUE(fields.hr == S_OK && fields.object);
    EXPECT_EQ(invoke(fields.object.get(), "Count", DISPATCH_PROPERTYGET, {}).number, 6);
    const CallResult third = call(fields.object.get(), "Item", {byValue(2)});
    ASSERT_TRUE(third.object);
    EXPECT_EQ(invoke(third.object.get(), "Name", DISPATCH_PROPERTYGET, {}).text, "ARTCDS");
    EXPECT_EQ(invoke(third.object.get(), "Type", DISPATCH_PROPERTYGET, {}).number, adDouble);
    const CallResult fourth = invoke(fields.object.get(), nullptr, DISPATCH_PROPERTYGET, {byValue(3)});
    ASSERT_TRUE(fourth.object);
    EXPECT_EQ(invoke(fourth.object.get(), "Type", DISPATCH_PROPERTYGET, {}).number, adDate);
    const CallResult date = value(fourth.object.get());
    EXPECT_TRUE(date.vt == VT_DATE && date.date == 46361.4375);
    const CallResult big = value(invoke(rs.get(), nullptr, DISPATCH_PROPERTYGET, {byValue(5)}).object.get());
    EXPECT_TRUE(big.vt == VT_I8 && big.big == 5000000000LL);

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
         {call(rs.get(), "Fields", {byRef(&nope)}), invoke(rs.get(), nullptr, DISPATCH_PROPERTYGET, {byValue(6)}),
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
