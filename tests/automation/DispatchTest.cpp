// The dispatch contract a late-binding host relies on: names to the published dispatch
// ids, and calls refused with the usual HRESULTs before any member runs.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include <gtest/gtest.h>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

struct Published {
    const char* name;
    DISPID id;
};

void expectIds(IDispatch* object, std::initializer_list<Published> members) {
    for (const Published& m : members) {
        SCOPED_TRACE(m.name);
        // Names are matched without regard to letter case.
        QByteArray lower = QByteArray(m.name).toLower();
        QByteArray upper = QByteArray(m.name).toUpper();
        for (const char* name : {m.name, lower.constData(), upper.constData()}) {
            DISPID id = 0;
            EXPECT_EQ(object->GetIDsOfNames(&name, 1, &id), S_OK);
            EXPECT_EQ(id, m.id);
        }
    }
}

TEST(Dispatch, NamesGiveThePublishedDispatchIds) {
    auto cm = cancelMain();
    expectIds(cm.get(), {{"Ubicacion_Base_Datos", 0x68030002}, {"NombreImpresora", 0x68030001},
                         {"Numero_Interno", 0x68030000}, {"Conectar_DB", 0x60030003},
                         {"Ingresar_Cancelaciones", 0x60030004}, {"Item", 0x68030005},
                         {"Eliminar_Articulo", 0x60030006}, {"Obtener_Items", 0x60030007},
                         {"Modificar_Articulo", 0x60030008}, {"Imprimir", 0x60030009},
                         {"ObtenerCancelacion", 0x6003000a}});
    auto im = importar();
    expectIds(im.get(), {{"Ubicacion_Base_Datos", 0x68030004}, {"NombreImpresora", 0x68030003},
                         {"Numero_Interno", 0x68030002}, {"Item", 0x68030001}, {"Base_Brevik", 0x68030000},
                         {"Importar", 0x60030005}, {"Conectar_DB", 0x60030006}});
}

TEST(Dispatch, UnknownNamesAndIdsAreRefused) {
    auto cm = cancelMain();
    auto im = importar();
    DISPID id = 0;
    for (const char* name : {"Base_Brevik", "Importar", "Conectar", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(cm->GetIDsOfNames(&name, 1, &id), DISP_E_UNKNOWNNAME);
        EXPECT_EQ(id, DISPID_UNKNOWN);
    }
    const char* imprimir = "Imprimir";
    EXPECT_EQ(im->GetIDsOfNames(&imprimir, 1, &id), DISP_E_UNKNOWNNAME);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(cm->Invoke(0x60030005, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST(Dispatch, EachObjectAnswersItsOwnInterfaceOnly) {
    auto cm = cancelMain();
    auto im = importar();
    Ref<IUnknown> found;
    EXPECT_EQ(cm->QueryInterface(IID__clcancelMain, found.out()), S_OK);
    EXPECT_EQ(cm->QueryInterface(IID__clImportar, found.out()), E_NOINTERFACE);
    EXPECT_FALSE(found);
    EXPECT_EQ(im->QueryInterface(IID__clImportar, found.out()), S_OK);
    EXPECT_EQ(im->QueryInterface(IID_IClassFactory, found.out()), E_NOINTERFACE);
    EXPECT_EQ(im->QueryInterface(IID_IUnknown, found.out()), S_OK);
}

TEST(Dispatch, CallsOfTheWrongShapeAreRefusedBeforeTheMemberRuns) {
    resetLibraryState();
    auto cm = cancelMain();
    BSTR code = SysAllocString("D-1");
    std::int16_t item = 1;

    // Property put as a method, a method as a property put, the wrong argument count.
    EXPECT_EQ(invoke(cm.get(), "Item", DISPATCH_METHOD, {byRef(&code)}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(cm.get(), "Conectar_DB", DISPATCH_PROPERTYPUT, {byRef(&code)}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(cm.get(), "Item", DISPATCH_PROPERTYPUT, {}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(call(cm.get(), "Conectar_DB", {byRef(&code)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(call(cm.get(), "Eliminar_Articulo", {byRef(&code), byRef(&item)}).hr, DISP_E_BADPARAMCOUNT);

    // Wrong types: the index reported is the argument's place in rgvarg (last first).
    struct Case {
        const char* what;
        std::vector<VARIANT> args;
        std::uint32_t argError;
    };
    const Case cases[] = {
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
    const CallResult r = call(cm.get(), "Obtener_Items", {byRef(&code)});
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argError, 0u);

    // Nothing ran: Modificar_Articulo would have set the chosen article.
    EXPECT_EQ(basGlobal().g_INTNDC, "");
    SysFreeString(code);
}

} // namespace
} // namespace quendarx::test
