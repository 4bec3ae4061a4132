// A host program built outside the Quendarx tree against an installed Quendarx: it creates
// clcancelMain as a late-binding host does (class factory, members by name, arguments by
// reference), connects to a stock and lists the cancellations of one export item.
//     consumer [LIBRARY] DATABASE EXPORT_DECLARATION ITEM
// LIBRARY only when built with QUENDARX_CONSUMER_DLOPEN: it is loaded with dlopen and its entry
// points taken with dlsym. Prints each Boolean call's result, the number of rows with the
// first one's quantity, and "DllCanUnloadNow S_OK|S_FALSE"; exits 1 when a call failed.
#include <quendarx/automation.h>

#include <cstdio>
#include <type_traits>

#ifdef QUENDARX_CONSUMER_DLOPEN
#include <dlfcn.h>
#endif

using namespace quendarx::com;

namespace {

struct EntryPoints {
    decltype(&DllGetClassObject) getClassObject = nullptr;
    decltype(&DllCanUnloadNow) canUnloadNow = nullptr;
    decltype(&SysAllocString) sysAllocString = nullptr;
    decltype(&SysFreeString) sysFreeString = nullptr;
    decltype(&VariantClear) variantClear = nullptr;
};
EntryPoints api;

bool fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "consumer: %s failed: 0x%08x\n", what, static_cast<unsigned>(hr));
    return false;
}

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
    api.sysFreeString(error.bstrSource);
    api.sysFreeString(error.bstrDescription);
    return hr == S_OK ? hr : (fail(name, hr), hr);
}

bool put(IDispatch* object, const char* name, const char* text) {
    BSTR value = api.sysAllocString(text);
    VARIANT argument{};
    argument.vt = VT_BYREF | VT_BSTR;
    argument.pbstrVal = &value;
    const HRESULT hr = invoke(object, name, DISPATCH_PROPERTYPUT, &argument, nullptr);
    api.sysFreeString(value);
    return hr == S_OK;
}

// A Boolean method; record, when given, receives the record set of a by-reference argument.
bool callBoolean(IDispatch* object, const char* name, IDispatch** record = nullptr) {
    VARIANT argument{};
    argument.vt = VT_BYREF | VT_DISPATCH;
    argument.ppdispVal = record;
    VARIANT value{};
    const HRESULT hr = invoke(object, name, DISPATCH_METHOD, record ? &argument : nullptr, &value);
    const bool result = value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
    std::printf("%s %s\n", name, result ? "True" : "False");
    return hr == S_OK && result;
}

// How many rows, and the first row's quantity, read as a C++ host reads them.
bool printRows(IDispatch* record) {
    IRecordset* rows = nullptr;
    HRESULT hr = record->QueryInterface(IID_IRecordset, reinterpret_cast<void**>(&rows));
    if (hr != S_OK)
        return fail("QueryInterface(IRecordset)", hr);
    std::int32_t count = 0;
    VARIANT quantity{};
    rows->get_RecordCount(&count);
    hr = rows->get_Field("ARTCDS", &quantity);
    std::printf("RecordCount %d ARTCDS %g\n", count, quantity.vt == VT_R8 ? quantity.dblVal : -1.0);
    api.variantClear(&quantity);
    rows->Release();
    return hr == S_OK || fail("ARTCDS", hr);
}

bool run(const char* database, const char* exportDeclaration, const char* item) {
    IClassFactory* factory = nullptr;
    HRESULT hr = api.getClassObject(&CLSID_clcancelMain, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (hr != S_OK)
        return fail("DllGetClassObject", hr);
    IDispatch* cancelMain = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&cancelMain));
    factory->Release();
    if (hr != S_OK)
        return fail("CreateInstance", hr);

    bool ok = put(cancelMain, "Ubicacion_Base_Datos", database);
    ok = callBoolean(cancelMain, "Conectar_DB") && ok;
    ok = put(cancelMain, "Numero_Interno", exportDeclaration) && put(cancelMain, "Item", item) && ok;
    IDispatch* record = nullptr;
    ok = callBoolean(cancelMain, "Obtener_Items", &record) && record && printRows(record) && ok;
    if (record)
        record->Release();
    cancelMain->Release();
    std::printf("DllCanUnloadNow %s\n", api.canUnloadNow() == S_OK ? "S_OK" : "S_FALSE");
    return ok;
}

} // namespace

int main(int argc, char** argv) {
#ifdef QUENDARX_CONSUMER_DLOPEN
    void* library = argc == 5 ? dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) : nullptr;
    const auto take = [library](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(library, name));
        return entry != nullptr;
    };
    if (!library || !take(api.getClassObject, "DllGetClassObject") || !take(api.canUnloadNow, "DllCanUnloadNow") ||
        !take(api.sysAllocString, "SysAllocString") || !take(api.sysFreeString, "SysFreeString") ||
        !take(api.variantClear, "VariantClear")) {
        std::fprintf(stderr, "consumer: %s\n", argc == 5 ? dlerror() : "usage: consumer LIBRARY DATABASE EXPORT ITEM");
        return argc == 5 ? 1 : 2;
    }
    ++argv;
#else
    if (argc != 4) {
        std::fputs("usage: consumer DATABASE EXPORT_DECLARATION ITEM\n", stderr);
        return 2;
    }
    api = {&DllGetClassObject, &DllCanUnloadNow, &SysAllocString, &SysFreeString, &VariantClear};
#endif
    return run(argv[1], argv[2], argv[3]) ? 0 : 1;
}
