// Property sets through dispatch: Item's conversions and errors, and the library state
// they write, shared by every instance on a thread and separate per thread.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <thread>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

TEST(Properties, ItemConvertsItsValueAndKeepsTheOldOneWhenRefused) {
    resetLibraryState();
    ScopedLocale locale(enUS());
    auto cm = cancelMain();
    auto im = importar();
    struct Case {
        QString text; // null: the value below passed by value
        VARIANT value;
        int error; // 0 when accepted
        int item;  // g_Item afterwards
    } cases[] = {
        {"7", {}, 0, 7},          {"-32769", {}, 6, 7},   {"-32768", {}, 0, -32768}, {"2.5", {}, 0, 2},
        {"3.5", {}, 0, 4}, // a half goes to the even number
        {{}, byValue(2.5), 0, 2}, {{}, byValue(12), 0, 12}, {{}, byValue(70000), 6, 12},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.text.isNull() ? std::string("by value") : c.text.toStdString());
        const CallResult r = c.text.isNull() ? invoke(im.get(), "Item", DISPATCH_PROPERTYPUT, {c.value})
                                             : put(cm.get(), "Item", c.text);
        EXPECT_EQ(r.hr, c.error ? DISP_E_EXCEPTION : S_OK);
        EXPECT_EQ(r.scode, c.error);
        EXPECT_EQ(r.description.isEmpty(), c.error == 0);
        EXPECT_EQ(basGlobal().g_Item, c.item);
    }
    EXPECT_EQ(invoke(cm.get(), "Numero_Interno", DISPATCH_PROPERTYPUT, {byValue(1234)}).hr, S_OK);
    EXPECT_EQ(basGlobal().g_NumeroInterno, "1234");
}

TEST(Properties, InstancesOnAThreadShareTheStateAndAnotherThreadHasItsOwn) {
    resetLibraryState();
    auto first = cancelMain();
    auto second = cancelMain();
    auto importer = importar();
    const struct {
        IDispatch* object;
        const char* name;
        const char* value;
    } puts[] = {{first.get(), "Numero_Interno", "EXP-1"}, {second.get(), "Item", "4"},
                {importer.get(), "Ubicacion_Base_Datos", "/tmp/a.db"}, {importer.get(), "Base_Brevik", "Driver=SQLite3"},
                {second.get(), "NombreImpresora", "PDF"}};
    for (const auto& p : puts)
        ASSERT_EQ(put(p.object, p.name, QString::fromUtf8(p.value)).hr, S_OK) << p.name;
    const LibraryState& g = basGlobal();
    EXPECT_EQ(QStringList({g.g_NumeroInterno, QString::number(g.g_Item), g.g_UbicacionBaseDatos, g.g_BaseExterna,
                           g.g_NombreImpresora}),
              QStringList({"EXP-1", "4", "/tmp/a.db", "Driver=SQLite3", "PDF"}));

    int seenBefore = -1, seenAfter = -1;
    QString numberBefore = "unset";
    std::thread other([&] {
        numberBefore = basGlobal().g_NumeroInterno;
        seenBefore = basGlobal().g_Item;
        auto own = cancelMain();
        put(own.get(), "Item", "9");
        put(first.get(), "Numero_Interno", "OTHER"); // the same object, called on this thread
        seenAfter = basGlobal().g_Item;
    });
    other.join();
    EXPECT_EQ(seenBefore, 0);
    EXPECT_EQ(numberBefore, "");
    EXPECT_EQ(seenAfter, 9);
    EXPECT_EQ(g.g_Item, 4);
    EXPECT_EQ(g.g_NumeroInterno, "EXP-1");
    resetLibraryState();
}

} // namespace
} // namespace quendarx::test
