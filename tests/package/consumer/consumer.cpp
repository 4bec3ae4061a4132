// A host program built outside the Quendarx tree against an installed Quendarx. It creates
// clcancelMain as any late-binding host does (class factory, IDispatch, members by name,
// arguments by reference), connects to a stock database and lists the cancellations of one
// export item:
//     consumer [LIBRARY] DATABASE EXPORT_DECLARATION ITEM
// LIBRARY is given only when the program is built with QUENDARX_CONSUMER_DLOPEN: it then
// loads the library itself and takes the entry points with dlsym instead of linking.
// Output: "Conectar_DB True|False", "Obtener_Items True|False", one "ROW name=value|..." per
// record, "DllCanUnloadNow S_OK|S_FALSE" once everything is released. Exit status 0 when
// every automation call succeeded, 1 otherwise.
#include <quendarx/automation.h>

#include <cstdio>
#include <string>
#include <vector>

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
    decltype(&VariantInit) variantInit = nullptr;
    decltype(&VariantClear) variantClear = nullptr;
};
EntryPoints api;

bool fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "consumer: %s failed: 0x%08x\n", what, static_cast<unsigned>(hr));
    return false;
}

DISPID memberId(IDispatch* object, const char* name) {
    const char* names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object->GetIDsOfNames(names, 1, &id);
    if (hr != S_OK)
        fail(name, hr);
    return id;
}

bool put(IDispatch* object, const char* name, const char* text) {
    BSTR value = api.sysAllocString(text);
    VARIANT argument;
    api.variantInit(&argument);
    argument.vt = VT_BYREF | VT_BSTR;
    argument.pbstrVal = &value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    EXCEPINFO error{};
    const HRESULT hr = object->Invoke(memberId(object, name), DISPATCH_PROPERTYPUT, &params, nullptr, &error, nullptr);
    api.sysFreeString(value);
    api.sysFreeString(error.bstrSource);
    api.sysFreeString(error.bstrDescription);
    return hr == S_OK || fail(name, hr);
}

// A Boolean method; record, when given, receives the record set of a by-reference argument.
bool callBoolean(IDispatch* object, const char* name, bool& result, IDispatch** record = nullptr) {
    VARIANT argument;
    api.variantInit(&argument);
    argument.vt = VT_BYREF | VT_DISPATCH;
    argument.ppdispVal = record;
    DISPPARAMS params{record ? &argument : nullptr, nullptr, record ? 1u : 0u, 0};
    VARIANT value;
    api.variantInit(&value);
    EXCEPINFO error{};
    const HRESULT hr = object->Invoke(memberId(object, name), DISPATCH_METHOD, &params, &value, &error, nullptr);
    result = value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
    const bool boolean = value.vt == VT_BOOL;
    api.variantClear(&value);
    api.sysFreeString(error.bstrSource);
    api.sysFreeString(error.bstrDescription);
    std::printf("%s %s\n", name, result ? "True" : "False");
    if (hr != S_OK)
        return fail(name, hr);
    return boolean || fail(name, DISP_E_TYPEMISMATCH);
}

std::string valueText(const VARIANT& v) {
    char number[64];
    switch (v.vt) {
    case VT_NULL:
        return "null";
    case VT_EMPTY:
        return "empty";
    case VT_I2:
        return std::to_string(v.iVal);
    case VT_I4:
        return std::to_string(v.lVal);
    case VT_I8:
        return std::to_string(v.llVal);
    case VT_R8:
        std::snprintf(number, sizeof number, "%g", v.dblVal);
        return number;
    case VT_BSTR:
        return v.bstrVal ? v.bstrVal : "";
    default:
        return "vt" + std::to_string(v.vt);
    }
}

bool printRows(IDispatch* record) {
    IRecordset* rows = nullptr;
    HRESULT hr = record->QueryInterface(IID_IRecordset, reinterpret_cast<void**>(&rows));
    if (hr != S_OK)
        return fail("QueryInterface(IRecordset)", hr);
    std::int32_t columns = 0;
    rows->get_FieldCount(&columns);
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < columns; ++i) {
        BSTR name = nullptr;
        rows->get_FieldName(i, &name);
        names.emplace_back(name ? name : "");
        api.sysFreeString(name);
    }
    for (VARIANT_BOOL eof = VARIANT_FALSE; rows->get_EOF(&eof) == S_OK && eof == VARIANT_FALSE; rows->MoveNext()) {
        std::string line = "ROW";
        for (const std::string& name : names) {
            VARIANT value;
            api.variantInit(&value);
            rows->get_Field(name.c_str(), &value);
            line += (&name == &names.front() ? " " : "|") + name + "=" + valueText(value);
            api.variantClear(&value);
        }
        std::printf("%s\n", line.c_str());
    }
    rows->Release();
    return true;
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
    bool connected = false;
    ok = callBoolean(cancelMain, "Conectar_DB", connected) && connected && ok;
    ok = put(cancelMain, "Numero_Interno", exportDeclaration) && ok;
    ok = put(cancelMain, "Item", item) && ok;
    IDispatch* record = nullptr;
    bool found = false;
    ok = callBoolean(cancelMain, "Obtener_Items", found, &record) && ok;
    if (found && record)
        ok = printRows(record) && ok;
    if (record)
        record->Release();
    cancelMain->Release();
    std::printf("DllCanUnloadNow %s\n", api.canUnloadNow() == S_OK ? "S_OK" : "S_FALSE");
    return ok;
}

} // namespace

int main(int argc, char** argv) {
#ifdef QUENDARX_CONSUMER_DLOPEN
    if (argc != 5) {
        std::fputs("usage: consumer LIBRARY DATABASE EXPORT_DECLARATION ITEM\n", stderr);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "consumer: %s\n", dlerror());
        return 1;
    }
    api.getClassObject = reinterpret_cast<decltype(api.getClassObject)>(dlsym(library, "DllGetClassObject"));
    api.canUnloadNow = reinterpret_cast<decltype(api.canUnloadNow)>(dlsym(library, "DllCanUnloadNow"));
    api.sysAllocString = reinterpret_cast<decltype(api.sysAllocString)>(dlsym(library, "SysAllocString"));
    api.sysFreeString = reinterpret_cast<decltype(api.sysFreeString)>(dlsym(library, "SysFreeString"));
    api.variantInit = reinterpret_cast<decltype(api.variantInit)>(dlsym(library, "VariantInit"));
    api.variantClear = reinterpret_cast<decltype(api.variantClear)>(dlsym(library, "VariantClear"));
    if (!api.getClassObject || !api.canUnloadNow || !api.sysAllocString || !api.sysFreeString || !api.variantInit ||
        !api.variantClear) {
        std::fputs("consumer: the library lacks an automation entry point\n", stderr);
        return 1;
    }
    ++argv;
#else
    if (argc != 4) {
        std::fputs("usage: consumer DATABASE EXPORT_DECLARATION ITEM\n", stderr);
        return 2;
    }
    api = {&DllGetClassObject, &DllCanUnloadNow, &SysAllocString, &SysFreeString, &VariantInit, &VariantClear};
#endif
    return run(argv[1], argv[2], argv[3]) ? 0 : 1;
}
