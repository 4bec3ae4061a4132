// A host program as a host author writes one: plain C++, no Qt, the library loaded with
// dlopen and driven through the automation header alone.
//     plainhost LIBRARY STEP...
// Steps: "put NAME TEXT" (a property put), "call NAME" (a member without arguments),
// "delete INTNDC ARTINO ARTSNO" (Eliminar_Articulo). Each call writes "CALL NAME" before it
// starts and "RESULT NAME True|False|-" or "ERROR NAME NUMBER DESCRIPTION" once it has
// returned, each line flushed at once, so a watcher sees what is still waiting.
// Built with PLAINHOST_QCOREAPPLICATION it is instead a Qt host without windows: it runs a
// QCoreApplication of its own before it loads the library.
#include <quendarx/automation.h>
#ifdef PLAINHOST_QCOREAPPLICATION
#include <QCoreApplication>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

using namespace quendarx::com;

namespace {

decltype(&DllGetClassObject) getClassObject;
decltype(&SysAllocString) sysAllocString;
decltype(&SysFreeString) sysFreeString;
decltype(&VariantInit) variantInit;
decltype(&VariantClear) variantClear;

template <class F> F entry(void* library, const char* name) {
    void* found = dlsym(library, name);
    if (!found) {
        std::fprintf(stderr, "plainhost: %s missing\n", name);
        std::exit(2);
    }
    return reinterpret_cast<F>(found);
}

void line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

DISPID idOf(IDispatch* object, const char* name) {
    DISPID id = DISPID_UNKNOWN;
    if (object->GetIDsOfNames(&name, 1, &id) != S_OK) {
        std::fprintf(stderr, "plainhost: unknown member %s\n", name);
        std::exit(2);
    }
    return id;
}

// Invokes a member and writes its outcome; the arguments are by reference.
void invoke(IDispatch* object, const char* name, std::uint16_t flags, DISPPARAMS& params) {
    line(std::string("CALL ") + name);
    VARIANT result;
    variantInit(&result);
    EXCEPINFO error{};
    const HRESULT hr = object->Invoke(idOf(object, name), flags, &params, &result, &error, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        line(std::string("ERROR ") + name + " " + std::to_string(error.scode) + " " +
             (error.bstrDescription ? error.bstrDescription : ""));
    } else if (hr != S_OK) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
        line(std::string("FAILED ") + name + " " + text);
    } else if (result.vt == VT_BOOL) {
        line(std::string("RESULT ") + name + (result.boolVal ? " True" : " False"));
    } else {
        line(std::string("RESULT ") + name + " -");
    }
    sysFreeString(error.bstrSource);
    sysFreeString(error.bstrDescription);
    variantClear(&result);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: plainhost LIBRARY STEP...\n", stderr);
        return 2;
    }
#ifdef PLAINHOST_QCOREAPPLICATION
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
#endif
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "plainhost: %s\n", dlerror());
        return 2;
    }
    getClassObject = entry<decltype(getClassObject)>(library, "DllGetClassObject");
    sysAllocString = entry<decltype(sysAllocString)>(library, "SysAllocString");
    sysFreeString = entry<decltype(sysFreeString)>(library, "SysFreeString");
    variantInit = entry<decltype(variantInit)>(library, "VariantInit");
    variantClear = entry<decltype(variantClear)>(library, "VariantClear");

    IClassFactory* factory = nullptr;
    if (getClassObject(&CLSID_clcancelMain, &IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
        return 2;
    IDispatch* cm = nullptr;
    factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&cm));
    factory->Release();
    if (!cm)
        return 2;

    for (int i = 2; i < argc; ++i) {
        const std::string step = argv[i];
        if (step == "put" && i + 2 < argc) {
            BSTR value = sysAllocString(argv[i + 2]);
            VARIANT arg;
            variantInit(&arg);
            arg.vt = VT_BYREF | VT_BSTR;
            arg.pbstrVal = &value;
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params{&arg, &named, 1, 1};
            invoke(cm, argv[i + 1], DISPATCH_PROPERTYPUT, params);
            sysFreeString(value);
            i += 2;
        } else if (step == "call" && i + 1 < argc) {
            DISPPARAMS params{nullptr, nullptr, 0, 0};
            invoke(cm, argv[i + 1], DISPATCH_METHOD, params);
            i += 1;
        } else if (step == "delete" && i + 3 < argc) {
            BSTR code = sysAllocString(argv[i + 1]);
            std::int16_t item = static_cast<std::int16_t>(std::atoi(argv[i + 2]));
            std::int16_t subItem = static_cast<std::int16_t>(std::atoi(argv[i + 3]));
            VARIANT args[3];
            for (VARIANT& a : args)
                variantInit(&a);
            args[2].vt = VT_BYREF | VT_BSTR; // arguments in reverse order
            args[2].pbstrVal = &code;
            args[1].vt = VT_BYREF | VT_I2;
            args[1].piVal = &item;
            args[0].vt = VT_BYREF | VT_I2;
            args[0].piVal = &subItem;
            DISPPARAMS params{args, nullptr, 3, 0};
            invoke(cm, "Eliminar_Articulo", DISPATCH_METHOD, params);
            sysFreeString(code);
            i += 3;
        } else {
            std::fprintf(stderr, "plainhost: bad step %s\n", step.c_str());
            return 2;
        }
    }
    cm->Release();
    line("END");
    return 0;
}
