// The dispatch contract a host relies on: names to the published dispatch ids, numbers
// passed by value, and screens refused off the user interface thread.
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

// A host passing numbers by value (a Double, a Long) gets the conversions and refusals of
// the texts the scripts pass.
TEST(Dispatch, NumbersByValueAreConvertedOrRefusedLikeText) {
    resetLibraryState();
    RecordingMessageBoxes boxes;
    ScopedLocale locale(esAR());
    auto cm = cancelMain();
    const std::pair<VARIANT, int> items[] = {{byValue(2.5), 2}, {byValue(12), 12}, {byValue(70000), 12}};
    for (const auto& [value, item] : items) {
        invoke(cm.get(), "Item", DISPATCH_PROPERTYPUT, {value});
        EXPECT_EQ(basGlobal().g_Item, item);
    }
    BSTR code = SysAllocString("D-1");
    EXPECT_EQ(call(cm.get(), "Eliminar_Articulo", {byRef(&code), byValue(1), byValue(40000)}).hr, DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(boxes.shown.empty());
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

} // namespace
} // namespace quendarx::test
