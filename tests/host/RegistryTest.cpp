// Resolving a ProgID through the registry file, and the command line.
#include "script/Registry.h"
#include "script/CommandLine.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::host;

namespace {

TEST(Registry, ParsesClassIds) {
    const auto guid = parseGuid(u"{B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}"_qs);
    ASSERT_TRUE(guid.has_value());
    EXPECT_TRUE(*guid == com::CLSID_clcancelMain);
    EXPECT_TRUE(*parseGuid(u" b3d1c6e2-5a41-4f0b-9c7e-2d8a0f61c103 "_qs) == com::CLSID_clImportar);
    for (const char16_t* bad :
         {u"", u"{B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101", u"B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C10",
          u"{B3D1C6E2-5A41-4F0B-9C7E2D8A0F61C101}", u"{G3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}"})
        EXPECT_FALSE(parseGuid(QString::fromUtf16(bad)).has_value())
            << QString::fromUtf16(bad).toStdString();
}

TEST(Registry, LooksUpTheSectionOfTheProgId) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"registry.ini"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; written by DllRegisterServer\n"
               "[Other.Class]\nCLSID={00000000-0000-0000-0000-000000000001}\nLibrary=/other.so\n\n"
               "[QuendarxDLL.clcancelMain]\n"
               "CLSID = {B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}\n"
               "Library=/opt/lib/libquendarx.so.1\n"
               "[QuendarxDLL.clImportar]\nLibrary=/opt/lib/libquendarx.so.1\n");
    file.close();

    const auto found = lookupProgId(path, u"quendarxdll.CLCANCELMAIN"_qs);
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(found->clsid == com::CLSID_clcancelMain);
    EXPECT_EQ(found->library, u"/opt/lib/libquendarx.so.1"_qs);
    EXPECT_EQ(lookupProgId(path, u"Other.Class"_qs)->library, u"/other.so"_qs);
    EXPECT_FALSE(lookupProgId(path, u"QuendarxDLL.clImportar"_qs).has_value()) << "no CLSID";
    EXPECT_FALSE(lookupProgId(path, u"QuendarxDLL.clOtro"_qs).has_value());
    EXPECT_FALSE(lookupProgId(dir.filePath(u"missing.ini"_qs), u"Other.Class"_qs).has_value());
}

TEST(Registry, PathFollowsTheEnvironment) {
    const QByteArray savedRegistry = qgetenv("QUENDARX_REGISTRY");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("QUENDARX_REGISTRY", "/tmp/scratch.ini");
    EXPECT_EQ(registryPath(), u"/tmp/scratch.ini"_qs);
    qunsetenv("QUENDARX_REGISTRY");
    qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(registryPath(), u"/tmp/cfg/quendarx/registry.ini"_qs);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(registryPath().endsWith(u"/.config/quendarx/registry.ini"_qs));
    if (!savedRegistry.isNull())
        qputenv("QUENDARX_REGISTRY", savedRegistry);
    if (!savedConfig.isNull())
        qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST(CommandLine, ModesAndOptions) {
    QString error;
    auto options = parseCommandLine(
        {u"--script"_qs, u"-"_qs, u"--locale"_qs, u"es_AR"_qs, u"--gui"_qs}, &error);
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->mode, Options::Mode::Script);
    EXPECT_EQ(options->script, u"-"_qs);
    EXPECT_EQ(options->locale.value_or(QString()), u"es_AR"_qs);
    EXPECT_TRUE(options->gui);
    EXPECT_EQ(parseCommandLine({}, &error)->mode, Options::Mode::Interactive);
    EXPECT_EQ(parseCommandLine({u"--register"_qs}, &error)->mode, Options::Mode::Register);
    EXPECT_EQ(parseCommandLine({u"--unregister"_qs}, &error)->mode, Options::Mode::Unregister);

    const QStringList bad[] = {
        {u"--script"_qs},
        {u"--script"_qs, u"a"_qs, u"--script"_qs, u"b"_qs},
        {u"--locale"_qs},
        {u"--register"_qs, u"--script"_qs, u"a"_qs},
        {u"--register"_qs, u"--unregister"_qs},
        {u"--verbose"_qs},
    };
    for (const QStringList& args : bad) {
        error.clear();
        EXPECT_FALSE(parseCommandLine(args, &error).has_value()) << args.join(u' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
