// The server's entry points: registration in the registry file, class factories, the
// unload answer, and the variant and text helpers hosts call.
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
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QString> value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
        old_ = qgetenv(name);
        if (value)
            qputenv(name, value->toUtf8());
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(Registration, WritesBothClassesKeepsOtherSectionsAndRemovesItsOwn) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("reg/registry.ini"));
    ScopedEnv env("QUENDARX_REGISTRY", file);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("reg"))));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Other.Server]\nCLSID={00000000-0000-0000-0000-000000000001}\nLibrary=/opt/other.so\n");
    }

    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllRegisterServer(), S_OK); // again: replaced, not repeated
    const QString text = readAll(file);
    EXPECT_EQ(text.count(QStringLiteral("[QuendarxDLL.clcancelMain]")), 1);
    EXPECT_EQ(text.count(QStringLiteral("[QuendarxDLL.clImportar]")), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("CLSID={B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}")));
    EXPECT_TRUE(text.contains(QStringLiteral("CLSID={B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C103}")));

    const auto cancelMain = registry::lookUp(file, QStringLiteral("quendarxdll.CLCANCELMAIN"));
    ASSERT_TRUE(cancelMain);
    EXPECT_EQ(registry::parseGuid(cancelMain->clsid), std::optional<GUID>(CLSID_clcancelMain));
    EXPECT_TRUE(QFileInfo(cancelMain->library).isAbsolute());
    EXPECT_TRUE(QFileInfo(cancelMain->library).isFile()) << cancelMain->library.toStdString();
    const auto importer = registry::lookUp(file, QStringLiteral("QuendarxDLL.clImportar"));
    ASSERT_TRUE(importer);
    EXPECT_EQ(registry::parseGuid(importer->clsid), std::optional<GUID>(CLSID_clImportar));
    EXPECT_EQ(importer->library, cancelMain->library);

    ASSERT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(registry::lookUp(file, QStringLiteral("QuendarxDLL.clcancelMain")));
    EXPECT_FALSE(registry::lookUp(file, QStringLiteral("QuendarxDLL.clImportar")));
    const auto other = registry::lookUp(file, QStringLiteral("Other.Server"));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->library, "/opt/other.so");
    EXPECT_EQ(DllUnregisterServer(), S_OK); // nothing left to remove
}

TEST(Registration, TheFileIsFoundUnderTheUsersConfigurationFolder) {
    QTemporaryDir dir;
    {
        ScopedEnv noFile("QUENDARX_REGISTRY", std::nullopt);
        ScopedEnv config("XDG_CONFIG_HOME", dir.path());
        EXPECT_EQ(registry::registryFilePath(), dir.filePath(QStringLiteral("quendarx/registry.ini")));
        ASSERT_EQ(DllRegisterServer(), S_OK);
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("quendarx/registry.ini"))));
        ASSERT_EQ(DllUnregisterServer(), S_OK);
    }
    ScopedEnv noFile("QUENDARX_REGISTRY", std::nullopt);
    ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", dir.path());
    EXPECT_EQ(registry::registryFilePath(), dir.filePath(QStringLiteral(".config/quendarx/registry.ini")));
}

TEST(Server, CannotUnloadWhileAnObjectOrALockLives) {
    ASSERT_EQ(DllCanUnloadNow(), S_OK); // every earlier test released what it made
    Ref<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(&CLSID_clcancelMain, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    Ref<IDispatch> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__clcancelMain, object.out()), S_OK);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    object->AddRef();
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    object.reset();
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

TEST(Server, FactoriesRefuseWhatTheyDoNotMake) {
    Ref<IClassFactory> factory;
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(DllGetClassObject(&IID_IDispatch, &IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(&CLSID_clcancelMain, &IID_IDispatch, factory.out()), E_NOINTERFACE);

    ASSERT_EQ(DllGetClassObject(&CLSID_clImportar, &IID_IClassFactory, factory.out()), S_OK);
    Ref<IDispatch> outer = cancelMain();
    Ref<IDispatch> made;
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, made.out()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID__clcancelMain, made.out()), E_NOINTERFACE);
    EXPECT_FALSE(made);
    outer.reset();
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK); // the refused instance did not linger
}

TEST(Server, VariantClearFreesTextsAndReleasesObjects) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString("año");
    EXPECT_STREQ(v.bstrVal, "año");
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);

    Ref<IDispatch> object = cancelMain();
    v.vt = VT_DISPATCH;
    v.pdispVal = object.get();
    v.pdispVal->AddRef();
    object.reset(); // the variant holds the last reference
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    SysFreeString(nullptr);
}

TEST(Server, OleDatesCountDaysFromTheEndOf1899) {
    struct Case {
        QDateTime when;
        double ole;
    };
    const Case cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
        {QDateTime(QDate(1900, 1, 1), QTime(18, 0)), 2.75},
        {QDateTime(QDate(2026, 12, 5), QTime(10, 30)), 46361.4375},
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
