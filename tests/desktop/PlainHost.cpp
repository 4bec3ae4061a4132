// A host as a host author writes one: no Qt (or, with PLAINHOST_QCOREAPPLICATION, a Qt
// host without windows), the library loaded with dlopen, the automation header alone.
//     plainhost LIBRARY [put NAME TEXT | call NAME | delete INTNDC ARTINO ARTSNO]...
// Each call writes "CALL NAME" before it starts and "RESULT NAME True|False|-" or "ERROR
// NAME NUMBER DESCRIPTION" once it has returned, flushed at once.
#include <quendarx/automation.h>
#ifdef PLAINHOST_QCOREAPPLICATION
#include <QCoreApplication>
#endif

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

using namespace quendarx::com;

namespace {

void* library = nullptr;

template <class F> F entry(const char* name) { return reinterpret_cast<F>(dlsym(library, name)); }

void line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

BSTR text(const char* value) { return entry<decltype(&SysAllocString)>("SysAllocString")(value); }
void release(BSTR value) { entry<decltype(&SysFreeString)>("SysFreeString")(value); }

// Invokes a member with `count` arguments (last first) and writes its outcome.
void invoke(IDispatch* object, const char* name, std::uint16_t flags, VARIANT* args = nullptr, unsigned count = 0) {
    line(std::string("CALL ") + name);
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(&name, 1, &id);
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{args, put ? &named : nullptr, count, put ? 1u : 0u};
    VARIANT result;
    entry<decltype(&VariantInit)>("VariantInit")(&result);
    EXCEPINFO error{};
    const HRESULT hr = object->Invoke(id, flags, &params, &result, &error, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        line(std::string("ERROR ") + name + " " + std::to_string(error.scode) + " " +
             (error.bstrDescription ? error.bstrDescription : ""));
    } else if (hr != S_OK) {
        line(std::string("FAILED ") + name + " " + std::to_string(hr));
    } else {
        line(std::string("RESULT ") + name + (result.vt != VT_BOOL ? " -" : result.boolVal ? " True" : " False"));
    }
    release(error.bstrSource);
    release(error.bstrDescription);
    entry<decltype(&VariantClear)>("VariantClear")(&result);
}

} // namespace

int main(int argc, char** argv) {
#ifdef PLAINHOST_QCOREAPPLICATION
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
#endif
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "plainhost: %s\n", dlerror());
        return 2;
    }
    IClassFactory* factory = nullptr;
    entry<decltype(&DllGetClassObject)>("DllGetClassObject")(&CLSID_clcancelMain, &IID_IClassFactory,
                                                             reinterpret_cast<void**>(&factory));
    IDispatch* cm = nullptr;
    factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&cm));
    factory->Release();

    for (int i = 2; i < argc; ++i) {
        const std::string step = argv[i];
        if (step == "put" && i + 2 < argc) {
            BSTR value = text(argv[i + 2]);
            VARIANT arg{};
            arg.vt = VT_BYREF | VT_BSTR;
            arg.pbstrVal = &value;
            invoke(cm, argv[i + 1], DISPATCH_PROPERTYPUT, &arg, 1);
            release(value);
            i += 2;
        } else if (step == "call" && i + 1 < argc) {
            invoke(cm, argv[i + 1], DISPATCH_METHOD);
            i += 1;
        } else if (step == "delete" && i + 3 < argc) {
            BSTR code = text(argv[i + 1]);
            std::int16_t item = static_cast<std::int16_t>(std::atoi(argv[i + 2]));
            std::int16_t subItem = static_cast<std::int16_t>(std::atoi(argv[i + 3]));
            VARIANT args[3]{};
            args[2].vt = VT_BYREF | VT_BSTR;
            args[2].pbstrVal = &code;
            args[1].vt = args[0].vt = VT_BYREF | VT_I2;
            args[1].piVal = &item;
            args[0].piVal = &subItem;
            invoke(cm, "Eliminar_Articulo", DISPATCH_METHOD, args, 3);
            release(code);
            i += 3;
        }
    }
    cm->Release();
    line("END");
    return 0;
}
