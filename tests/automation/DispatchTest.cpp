// The dispatch contract a host relies on: names to the published dispatch ids, calls
// of the wrong types refused before any member runs, screens refused off the user
// interface thread, and Item's conversions.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <thread>

namespace quendarx::test {
namespace {

TEST(Dispatch, NamesGiveThePublishedDispatchIdsWhateverTheirCase) {
    struct Published {
        bool importar;
        const char* name;
        DISPID id;
    } members[] = {
        {false, "Ubicacion_Base_Datos", 0x68030002},
        {false, "NombreImpresora", 0x68030001},
        {false, "Numero_Interno", 0x68030000},
        {false, "Conectar_DB", 0x60030003},
        {false, "Ingresar_Cancelaciones", 0x60030004},
        {false, "Item", 0x68030005},
        {false, "Eliminar_Articulo", 0x60030006},
        {false, "Obtener_Items", 0x60030007},
        {false, "Modificar_Articulo", 0x60030008},
        {false, "Imprimir", 0x60030009},
        {false, "ObtenerCancelacion", 0x6003000a},
        {true, "Ubicacion_Base_Datos", 0x68030004},
        {true, "NombreImpresora", 0x68030003},
        {true, "Numero_Interno", 0x68030002},
        {true, "Item", 0x68030001},
        {true, "Base_Brevik", 0x68030000},
        {true, "Importar", 0x60030005},
        {true, "Conectar_DB", 0x60030006},
        {true, "Imprimir", DISPID_UNKNOWN},
        {false, "Base_Brevik", DISPID_UNKNOWN},
    };
    auto cm = cancelMain();
    auto im = importar();
    for (const Published& m : members) {
        const QByteArray lower = QByteArray(m.name).toLower();
        for (const char* name : {m.name, lower.constData()}) {
            DISPID id = 0;
            EXPECT_EQ((m.importar ? im : cm)->GetIDsOfNames(&name, 1, &id),
                      m.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK)
                << name;
            EXPECT_EQ(id, m.id) << name;
        }
    }
}

TEST(Dispatch, ArgumentsOfTheWrongTypeAreRefusedBeforeTheMemberRuns) {
    resetLibraryState();
    auto cm = cancelMain();
    BSTR code = SysAllocString("D-1");
    std::int16_t item = 1;
    // The index reported is the argument's place in rgvarg (last first).
    struct Case {
        const char* what;
        std::vector<VARIANT> args;
        std::uint32_t argError;
    } cases[] = {
        {"a number for the code", {byValue(5), byRef(&item), byRef(&item)}, 2},
        {"a fraction for the item", {byRef(&code), byValue(1.0), byRef(&item)}, 1},
        {"a 32-bit sub-item out of range", {byRef(&code), byRef(&item), byValue(40000)}, 0},
        {"text for the sub-item", {byRef(&code), byRef(&item), byRef(&code)}, 0},
    };
    for (const Case& c : cases) {
        const CallResult r = call(cm.get(), "Modificar_Articulo", c.args);
        EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH) << c.what;
        EXPECT_EQ(r.argError, c.argError) << c.what;
    }
    EXPECT_EQ(basGlobal().g_INTNDC, ""); // Modificar_Articulo would have set the article
    SysFreeString(code);
}

TEST(Dispatch, AScreenMemberCalledOffTheUserInterfaceThreadFailsBackToTheHost) {
    resetLibraryState();
    RecordingMessageBoxes boxes;
    auto cm = cancelMain();
    auto im = importar();
    std::vector<CallResult> results;
    std::thread([&] {
        for (const auto& [object, member] :
             {std::pair{cm.get(), "Imprimir"}, {cm.get(), "Ingresar_Cancelaciones"}, {im.get(), "Importar"}})
            results.push_back(call(object, member));
    }).join();
    for (const CallResult& r : results) {
        EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(r.scode, 5);
        EXPECT_FALSE(r.description.isEmpty());
        EXPECT_EQ(r.source, "Quendarx");
    }
    EXPECT_TRUE(boxes.shown.empty());
}

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
        {"7", {}, 0, 7},          {"-32769", {}, 6, 7},     {"-32768", {}, 0, -32768},
        {"2.5", {}, 0, 2},        {"3.5", {}, 0, 4}, // a half goes to the even number
        {{}, byValue(2.5), 0, 2}, {{}, byValue(12), 0, 12}, {{}, byValue(70000), 6, 12},
    };
    for (Case& c : cases) {
        const CallResult r = c.text.isNull() ? invoke(im.get(), "Item", DISPATCH_PROPERTYPUT, {c.value})
                                             : put(cm.get(), "Item", c.text);
        const std::string trace = c.text.isNull() ? "by value" : c.text.toStdString();
        EXPECT_EQ(r.hr, c.error ? DISP_E_EXCEPTION : S_OK) << trace;
        EXPECT_EQ(r.scode, c.error) << trace;
        EXPECT_EQ(basGlobal().g_Item, c.item) << trace;
    }
    EXPECT_EQ(invoke(cm.get(), "Numero_Interno", DISPATCH_PROPERTYPUT, {byValue(1234)}).hr, S_OK);
    EXPECT_EQ(basGlobal().g_NumeroInterno, "1234");
}

} // namespace
} // namespace quendarx::test
