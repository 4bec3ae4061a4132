// The server's entry points: registration in the registry file, class factories, the
// unload answer, and automation dates.
#include "ComHelpers.h"
#include "automation/ComSupport.h"
#include "automation/Registry.h"
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

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

TEST(Registration, WritesBothClassesKeepsOtherSectionsAndRemovesItsOwn) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("registry.ini"));
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
    EXPECT_EQ(QString::fromUtf8(f.readAll()).count(QStringLiteral("[QuendarxDLL.clcancelMain]")), 1);
    const auto cancelMain = registry::lookUp(file, QStringLiteral("quendarxdll.CLCANCELMAIN"));
    const auto importer = registry::lookUp(file, QStringLiteral("QuendarxDLL.clImportar"));
    ASSERT_TRUE(cancelMain && importer);
    EXPECT_EQ(registry::parseGuid(cancelMain->clsid), std::optional<GUID>(CLSID_clcancelMain));
    EXPECT_EQ(registry::parseGuid(importer->clsid), std::optional<GUID>(CLSID_clImportar));
    EXPECT_TRUE(QFileInfo(cancelMain->library).isAbsolute());
    EXPECT_TRUE(QFileInfo(cancelMain->library).isFile()) << cancelMain->library.toStdString();
    EXPECT_EQ(importer->library, cancelMain->library);

    ASSERT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(registry::lookUp(file, QStringLiteral("QuendarxDLL.clcancelMain")));
    EXPECT_FALSE(registry::lookUp(file, QStringLiteral("QuendarxDLL.clImportar")));
    EXPECT_EQ(registry::lookUp(file, QStringLiteral("Other.Server"))->library, "/opt/other.so");
    EXPECT_EQ(DllUnregisterServer(), S_OK); // nothing left to remove

    ScopedEnv noFile("QUENDARX_REGISTRY", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    EXPECT_EQ(registry::registryFilePath(), dir.filePath(QStringLiteral("quendarx/registry.ini")));
    ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", dir.path());
    EXPECT_EQ(registry::registryFilePath(), dir.filePath(QStringLiteral(".config/quendarx/registry.ini")));
}

TEST(Server, CannotUnloadWhileAnObjectOrALockLives) {
    ASSERT_EQ(DllCanUnloadNow(), S_OK); // every earlier test released what it made
    Ref<IClassFactory> factory;
    void* none = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(DllGetClassObject(&IID_IDispatch, &IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(DllGetClassObject(&CLSID_clcancelMain, &IID_IDispatch, factory.out()), E_NOINTERFACE);
    ASSERT_EQ(DllGetClassObject(&CLSID_clcancelMain, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    Ref<IDispatch> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__clcancelMain, object.out()), S_OK);
    Ref<IDispatch> refused;
    EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, refused.out()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID__clImportar, refused.out()), E_NOINTERFACE);
    EXPECT_FALSE(refused);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    // A variant holding the last reference releases it when cleared.
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object.get();
    v.pdispVal->AddRef();
    object.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    ASSERT_EQ(DllGetClassObject(&CLSID_clImportar, &IID_IUnknown, factory.out()), S_OK);
    EXPECT_EQ(factory->LockServer(VARIANT_TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    ASSERT_EQ(DllGetClassObject(&CLSID_clImportar, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(factory->LockServer(VARIANT_FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(Server, OleDatesCountDaysFromTheEndOf1899) {
    struct Case {
        QDateTime when;
        double ole;
    } cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
        {QDateTime(QDate(1900, 1, 1), QTime(18, 0)), 2.75},
        {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25}, // the time stays a positive fraction
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when.toString(Qt::ISODate).toStdString());
        EXPECT_DOUBLE_EQ(toOleDate(c.when), c.ole);
        EXPECT_EQ(fromOleDate(c.ole), c.when);
    }
    // A time a hair before midnight rounds into the next day.
    EXPECT_EQ(fromOleDate(1.0 - 1e-10), QDateTime(QDate(1899, 12, 31), QTime(0, 0)));
}

} // namespace
} // namespace quendarx::test
