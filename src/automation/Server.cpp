// The in-process server: the public classes' member tables, their class factories and
// the entry points DllGetClassObject and DllCanUnloadNow.
#include "automation/AutomationObject.h"
#include "automation/clImportar.h"
#include "automation/clcancelMain.h"

using namespace quendarx;
using namespace quendarx::com;

namespace {

// Member bodies shared by both classes' tables.
template <class T, void (T::*set)(const QString&)> void put(T& self, const Arguments& args, VARIANT*) {
    (self.*set)(args.propertyText(0));
}

template <class T, bool (T::*method)()> void boolMethod(T& self, const Arguments&, VARIANT* result) {
    setBool(result, (self.*method)());
}

template <bool (clcancelMain::*method)(const QString&, std::int16_t, std::int16_t)>
void articleMethod(clcancelMain& self, const Arguments& args, VARIANT* result) {
    const QString intndc = args.text(0);
    const std::int16_t artino = args.int16(1);
    const std::int16_t artsno = args.int16(2);
    setBool(result, (self.*method)(intndc, artino, artsno));
}

template <bool (clcancelMain::*method)(RecordsetRef&)>
void recordsetMethod(clcancelMain& self, const Arguments& args, VARIANT* result) {
    const RecordsetSlot slot = args.recordset(0);
    RecordsetRef rs = slot.incoming();
    const bool ok = (self.*method)(rs);
    slot.store(ok ? rs : nullptr);
    setBool(result, ok);
}

using M = MemberKind;

const Member<clcancelMain> kCancelMainMembers[] = {
    {"Ubicacion_Base_Datos", 0x68030002, M::PropertyPut, 1, put<clcancelMain, &clcancelMain::Ubicacion_Base_Datos>},
    {"NombreImpresora", 0x68030001, M::PropertyPut, 1, put<clcancelMain, &clcancelMain::NombreImpresora>},
    {"Numero_Interno", 0x68030000, M::PropertyPut, 1, put<clcancelMain, &clcancelMain::Numero_Interno>},
    {"Conectar_DB", 0x60030003, M::Method, 0, boolMethod<clcancelMain, &clcancelMain::Conectar_DB>},
    {"Ingresar_Cancelaciones", 0x60030004, M::Method, 0,
     boolMethod<clcancelMain, &clcancelMain::Ingresar_Cancelaciones>},
    {"Item", 0x68030005, M::PropertyPut, 1, put<clcancelMain, &clcancelMain::Item>},
    {"Eliminar_Articulo", 0x60030006, M::Method, 3, articleMethod<&clcancelMain::Eliminar_Articulo>},
    {"Obtener_Items", 0x60030007, M::Method, 1, recordsetMethod<&clcancelMain::Obtener_Items>},
    {"Modificar_Articulo", 0x60030008, M::Method, 3, articleMethod<&clcancelMain::Modificar_Articulo>},
    {"Imprimir", 0x60030009, M::Method, 0, [](clcancelMain& self, const Arguments&, VARIANT*) { self.Imprimir(); }},
    {"ObtenerCancelacion", 0x6003000a, M::Method, 1, recordsetMethod<&clcancelMain::ObtenerCancelacion>},
};

const Member<clImportar> kImportarMembers[] = {
    {"Ubicacion_Base_Datos", 0x68030004, M::PropertyPut, 1, put<clImportar, &clImportar::Ubicacion_Base_Datos>},
    {"NombreImpresora", 0x68030003, M::PropertyPut, 1, put<clImportar, &clImportar::NombreImpresora>},
    {"Numero_Interno", 0x68030002, M::PropertyPut, 1, put<clImportar, &clImportar::Numero_Interno>},
    {"Item", 0x68030001, M::PropertyPut, 1, put<clImportar, &clImportar::Item>},
    {"Base_Brevik", 0x68030000, M::PropertyPut, 1, put<clImportar, &clImportar::Base_Brevik>},
    {"Importar", 0x60030005, M::Method, 0, [](clImportar& self, const Arguments&, VARIANT*) { self.Importar(); }},
    {"Conectar_DB", 0x60030006, M::Method, 0, boolMethod<clImportar, &clImportar::Conectar_DB>},
};

IDispatch* createCancelMain() { return AutomationObject<clcancelMain>::create(IID__clcancelMain, kCancelMainMembers); }
IDispatch* createImportar() { return AutomationObject<clImportar>::create(IID__clImportar, kImportarMembers); }

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    explicit ClassFactory(IDispatch* (*make)()) : make_(make) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return answer(iid == IID_IUnknown || iid == IID_IClassFactory, object);
    }

    HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            IDispatch* instance = make_();
            const HRESULT hr = instance->QueryInterface(iid, object);
            instance->Release();
            return hr;
        } catch (...) {
            return E_FAIL;
        }
    }

    HRESULT LockServer(VARIANT_BOOL lock) override {
        lockServer(lock != VARIANT_FALSE);
        return S_OK;
    }

private:
    friend class ComObject<ClassFactory, IClassFactory>;
    ~ClassFactory() = default;

    IDispatch* (*make_)();
};

} // namespace

extern "C" {

HRESULT DllGetClassObject(const GUID* clsid, const GUID* iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!clsid || !iid)
        return E_INVALIDARG;
    IDispatch* (*make)() = nullptr;
    if (*clsid == CLSID_clcancelMain)
        make = createCancelMain;
    else if (*clsid == CLSID_clImportar)
        make = createImportar;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    try {
        auto* factory = new ClassFactory(make);
        const HRESULT hr = factory->QueryInterface(*iid, object);
        factory->Release();
        return hr;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT DllCanUnloadNow() { return serverInUse() ? S_FALSE : S_OK; }

} // extern "C"
