// Property sets through the dispatch interface: they write the calling thread's library
// state, shared by every instance on that thread, and a bad value fails back to the host.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <thread>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

class Properties : public ::testing::Test {
protected:
    void SetUp() override { resetLibraryState(); }
    void TearDown() override { resetLibraryState(); }
    ScopedLocale locale{enUS()};
};

TEST_F(Properties, ItemTakesAWholeNumberAndKeepsItsValueWhenTheTextIsRefused) {
    auto cm = cancelMain();
    ASSERT_EQ(put(cm.get(), "Item", "7").hr, S_OK);
    EXPECT_EQ(basGlobal().g_Item, 7);

    struct Case {
        const char* text;
        int number;
    };
    for (const Case& c : {Case{"abc", 13}, Case{"", 13}, Case{"40000", 6}, Case{"-32769", 6}}) {
        SCOPED_TRACE(c.text);
        const CallResult r = put(cm.get(), "Item", c.text);
        EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(r.scode, c.number);
        EXPECT_FALSE(r.description.isEmpty());
        EXPECT_EQ(basGlobal().g_Item, 7);
    }
    ASSERT_EQ(put(cm.get(), "Item", "-32768").hr, S_OK);
    EXPECT_EQ(basGlobal().g_Item, -32768);
}

TEST_F(Properties, EveryTextPropertyOfBothClassesWritesTheSharedState) {
    struct Case {
        bool importar;
        const char* name;
        QString LibraryState::*variable;
    };
    const Case cases[] = {
        {false, "Ubicacion_Base_Datos", &LibraryState::g_UbicacionBaseDatos},
        {false, "NombreImpresora", &LibraryState::g_NombreImpresora},
        {false, "Numero_Interno", &LibraryState::g_NumeroInterno},
        {true, "Ubicacion_Base_Datos", &LibraryState::g_UbicacionBaseDatos},
        {true, "NombreImpresora", &LibraryState::g_NombreImpresora},
        {true, "Numero_Interno", &LibraryState::g_NumeroInterno},
        {true, "Base_Brevik", &LibraryState::g_BaseExterna},
    };
    auto cm = cancelMain();
    auto im = importar();
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.importar).arg(QLatin1String(c.name)).toStdString());
        const QString value = QStringLiteral("ñandú 'x' %1").arg(QLatin1String(c.name));
        ASSERT_EQ(put(c.importar ? im.get() : cm.get(), c.name, value).hr, S_OK);
        EXPECT_EQ(basGlobal().*c.variable, value);
    }
    ASSERT_EQ(put(im.get(), "Item", "12").hr, S_OK);
    EXPECT_EQ(basGlobal().g_Item, 12);
}

TEST_F(Properties, InstancesOnOneThreadShareEveryValue) {
    auto first = cancelMain();
    auto second = cancelMain();
    auto importer = importar();
    ASSERT_EQ(put(first.get(), "Numero_Interno", "EXP-1").hr, S_OK);
    ASSERT_EQ(put(second.get(), "Item", "4").hr, S_OK);
    ASSERT_EQ(put(importer.get(), "Ubicacion_Base_Datos", "/tmp/a.db").hr, S_OK);
    ASSERT_EQ(put(second.get(), "NombreImpresora", "PDF").hr, S_OK);
    const LibraryState& g = basGlobal();
    EXPECT_EQ(g.g_NumeroInterno, "EXP-1");
    EXPECT_EQ(g.g_Item, 4);
    EXPECT_EQ(g.g_UbicacionBaseDatos, "/tmp/a.db");
    EXPECT_EQ(g.g_NombreImpresora, "PDF");
    // The importer's declaration number is the export declaration the other class works on.
    ASSERT_EQ(put(importer.get(), "Numero_Interno", "BRV-9").hr, S_OK);
    EXPECT_EQ(g.g_NumeroInterno, "BRV-9");
}

TEST_F(Properties, AnotherThreadHasItsOwnValues) {
    auto cm = cancelMain();
    ASSERT_EQ(put(cm.get(), "Item", "3").hr, S_OK);
    ASSERT_EQ(put(cm.get(), "Numero_Interno", "MAIN").hr, S_OK);

    int seenBefore = -1, seenAfter = -1;
    QString numberBefore = "unset";
    std::thread other([&] {
        numberBefore = basGlobal().g_NumeroInterno;
        seenBefore = basGlobal().g_Item;
        auto own = cancelMain();
        put(own.get(), "Item", "9");
        put(cm.get(), "Numero_Interno", "OTHER"); // the same object, called on this thread
        seenAfter = basGlobal().g_Item;
    });
    other.join();

    EXPECT_EQ(seenBefore, 0);
    EXPECT_EQ(numberBefore, "");
    EXPECT_EQ(seenAfter, 9);
    EXPECT_EQ(basGlobal().g_Item, 3);
    EXPECT_EQ(basGlobal().g_NumeroInterno, "MAIN");
}

TEST_F(Properties, ValuesMayComeByValueAndNumbersAsTheirText) {
    auto cm = cancelMain();
    BSTR text = SysAllocString("by value");
    VARIANT plain;
    VariantInit(&plain);
    plain.vt = VT_BSTR;
    plain.bstrVal = text;
    EXPECT_EQ(invoke(cm.get(), "Numero_Interno", DISPATCH_PROPERTYPUT, {plain}).hr, S_OK);
    EXPECT_EQ(basGlobal().g_NumeroInterno, "by value");
    SysFreeString(text);

    EXPECT_EQ(invoke(cm.get(), "Numero_Interno", DISPATCH_PROPERTYPUT, {byValue(1234)}).hr, S_OK);
    EXPECT_EQ(basGlobal().g_NumeroInterno, "1234");
    EXPECT_EQ(invoke(cm.get(), "Item", DISPATCH_PROPERTYPUT, {byValue(2.5)}).hr, S_OK);
    EXPECT_EQ(basGlobal().g_Item, 2); // a half goes to the even number
    EXPECT_EQ(invoke(cm.get(), "Item", DISPATCH_PROPERTYPUT, {byValue(70000)}).scode, 6);
}

} // namespace
} // namespace quendarx::test
