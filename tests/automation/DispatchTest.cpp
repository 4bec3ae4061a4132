// The dispatch contract a host relies on: names to the published dispatch ids, calls
// of the wrong types refused before any member runs, and screens refused off the user
// interface thread.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <thread>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

TEST(Dispatch, NamesGiveThePublishedDispatchIdsWhateverTheirCase) {
    struct Published {
        bool importar;
        const char* name;
        DISPID id;
    } members[] = {
        {false, "Ubicacion_Base_Datos", 0x68030002}, {false, "NombreImpresora", 0x68030001},
        {false, "Numero_Interno", 0x68030000},       {false, "Conectar_DB", 0x60030003},
        {false, "Ingresar_Cancelaciones", 0x60030004}, {false, "Item", 0x68030005},
        {false, "Eliminar_Articulo", 0x60030006},    {false, "Obtener_Items", 0x60030007},
        {false, "Modificar_Articulo", 0x60030008},   {false, "Imprimir", 0x60030009},
        {false, "ObtenerCancelacion", 0x6003000a},   {true, "Ubicacion_Base_Datos", 0x68030004},
        {true, "NombreImpresora", 0x68030003},       {true, "Numero_Interno", 0x68030002},
        {true, "Item", 0x68030001},                  {true, "Base_Brevik", 0x68030000},
        {true, "Importar", 0x60030005},              {true, "Conectar_DB", 0x60030006},
        {true, "Imprimir", DISPID_UNKNOWN},          {false, "Base_Brevik", DISPID_UNKNOWN},
    };
    auto cm = cancelMain();
    auto im = importar();
    for (const Published& m : members) {
        SCOPED_TRACE(m.name);
        const QByteArray lower = QByteArray(m.name).toLower();
        for (const char* name : {m.name, lower.constData()}) {
            DISPID id = 0;
            const HRESULT hr = (m.importar ? im : cm)->GetIDsOfNames(&name, 1, &id);
            EXPECT_EQ(hr, m.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
            EXPECT_EQ(id, m.id);
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
        SCOPED_TRACE(c.what);
        const CallResult r = call(cm.get(), "Modificar_Articulo", c.args);
        EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(r.argError, c.argError);
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
    std::thread other([&] {
        results.push_back(call(cm.get(), "Imprimir"));
        results.push_back(call(cm.get(), "Ingresar_Cancelaciones"));
        results.push_back(call(im.get(), "Importar"));
    });
    other.join();
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
