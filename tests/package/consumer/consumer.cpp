// An outside host built against an installed Quendarx, late-binding as a host does: it lists
// the cancellations of one export item, printing each Boolean call's result, the row count
// with the first row's quantity, and DllCanUnloadNow's answer.
//     consumer [LIBRARY (built with QUENDARX_CONSUMER_DLOPEN)] DATABASE EXPORT_DECLARATION ITEM
#include <quendarx/automation.h>

#include <cstdio>

#ifdef QUENDARX_CONSUMER_DLOPEN
#include <dlfcn.h>
void* library = nullptr;
#define ENTRY(name) reinterpret_cast<decltype(&name)>(dlsym(library, #name))
#else
#define ENTRY(name) (&name)
#endif

using namespace quendarx::com;

namespace {

decltype(&SysFreeString) sysFreeString = nullptr;

// Invokes a member by name with at most one argument, as a late-binding host does.
HRESULT invoke(IDispatch* object, const char* name, std::uint16_t flags, VARIANT* argument, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(&name, 1, &id);
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{argument, put ? &named : nullptr, argument ? 1u : 0u, put ? 1u : 0u};
    EXCEPINFO error{};
    if (hr == S_OK)
        hr = object->Invoke(id, flags, &params, result, &error, nullptr);
    sysFreeString(error.bstrSource);
    sysFreeString(error.bstrDescription);
    return hr;
}

void put(IDispatch* object, const char* name, BSTR value) {
    VARIANT argument{};
    argument.vt = VT_BYREF | VT_BSTR;
    argument.pbstrVal = &value;
    invoke(object, name, DISPATCH_PROPERTYPUT, &argument, nullptr);
    sysFreeString(value);
}

// A Boolean method; record, when given, receives the record set of a by-reference argument.
void callBoolean(IDispatch* object, const char* name, IDispatch** record = nullptr) {
    VARIANT argument{};
    argument.vt = VT_BYREF | VT_DISPATCH;
    argument.ppdispVal = record;
    VARIANT value{};
    const HRESULT hr = invoke(object, name, DISPATCH_METHOD, record ? &argument : nullptr, &value);
    std::printf("%s %s\n", name, hr == S_OK && value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE ? "True" : "False");
}

} // namespace

int main(int, char** argv) {
#ifdef QUENDARX_CONSUMER_DLOPEN
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "consumer: %s\n", dlerror());
        return 2;
    }
    ++argv;
#endif
    sysFreeString = ENTRY(SysFreeString);
    const auto sysAllocString = ENTRY(SysAllocString);
    IClassFactory* factory = nullptr;
    IDispatch* cancelMain = nullptr;
    if (ENTRY(DllGetClassObject)(&CLSID_clcancelMain, &IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK ||
        factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&cancelMain)) != S_OK)
        return 1;
    factory->Release();

    put(cancelMain, "Ubicacion_Base_Datos", sysAllocString(argv[1]));
    callBoolean(cancelMain, "Conectar_DB");
    put(cancelMain, "Numero_Interno", sysAllocString(argv[2]));
    put(cancelMain, "Item", sysAllocString(argv[3]));
    IDispatch* record = nullptr;
    callBoolean(cancelMain, "Obtener_Items", &record);
    // How many rows, and the first row's quantity, read as a C++ host reads them.
    IRecordset* rows = nullptr;
    if (record && record->QueryInterface(IID_IRecordset, reinterpret_cast<void**>(&rows)) == S_OK) {
        std::int32_t count = 0;
        VARIANT quantity{};
        rows->get_RecordCount(&count);
        rows->get_Field("ARTCDS", &quantity);
        std::printf("RecordCount %d ARTCDS %g\n", count, quantity.vt == VT_R8 ? quantity.dblVal : -1.0);
        ENTRY(VariantClear)(&quantity);
        rows->Release();
    }
    if (record)
        record->Release();
    cancelMain->Release();
    std::printf("DllCanUnloadNow %s\n", ENTRY(DllCanUnloadNow)() == S_OK ? "S_OK" : "S_FALSE");
    return 0;
}
