#include "ComHelpers.h"
#include <gtest/gtest.h>

namespace quendarx::test {

using namespace quendarx::com;

HRESULT createInstance(const GUID& clsid, Ref<IDispatch>& out) {
    Ref<IClassFactory> factory;
    const HRESULT hr = DllGetClassObject(&clsid, &IID_IClassFactory, factory.out());
    if (hr != S_OK)
        return hr;
    return factory->CreateInstance(nullptr, IID_IDispatch, out.out());
}

Ref<IDispatch> instance(const GUID& clsid) {
    Ref<IDispatch> object;
    EXPECT_EQ(createInstance(clsid, object), S_OK);
    return object;
}

DISPID dispId(IDispatch* object, const char* name) {
    DISPID id = 0;
    const char* names[] = {name};
    EXPECT_EQ(object->GetIDsOfNames(names, 1, &id), S_OK) << name;
    return id;
}

CallResult invoke(IDispatch* object, const char* name, std::uint16_t flags, std::vector<VARIANT> args,
                  bool propertyPutNamed) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), propertyPutNamed ? &named : nullptr, static_cast<std::uint32_t>(reversed.size()),
                      propertyPutNamed ? 1u : 0u};
    Variant result;
    EXCEPINFO error{0, nullptr, nullptr, 0};
    CallResult out;
    out.hr = object->Invoke(dispId(object, name), flags, &params, &result.v, &error, &out.argError);
    out.vt = result.v.vt;
    out.boolean = result.v.vt == VT_BOOL && result.v.boolVal == VARIANT_TRUE;
    if (out.hr == DISP_E_EXCEPTION) {
        out.scode = error.scode;
        out.description = QString::fromUtf8(error.bstrDescription);
        out.source = QString::fromUtf8(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrSource);
    }
    return out;
}

CallResult put(IDispatch* object, const char* name, const QString& text) {
    BSTR value = SysAllocString(text.toUtf8().constData());
    CallResult out = invoke(object, name, DISPATCH_PROPERTYPUT, {byRef(&value)}, true);
    SysFreeString(value);
    return out;
}

CallResult call(IDispatch* object, const char* name, std::vector<VARIANT> args) {
    return invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
}

static VARIANT typed(std::uint16_t vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

VARIANT byValue(std::int32_t value) { VARIANT v = typed(VT_I4); v.lVal = value; return v; }
VARIANT byValue(double value) { VARIANT v = typed(VT_R8); v.dblVal = value; return v; }
VARIANT byRef(BSTR* text) { VARIANT v = typed(VT_BYREF | VT_BSTR); v.pbstrVal = text; return v; }
VARIANT byRef(std::int16_t* value) { VARIANT v = typed(VT_BYREF | VT_I2); v.piVal = value; return v; }
VARIANT byRef(IDispatch** object) { VARIANT v = typed(VT_BYREF | VT_DISPATCH); v.ppdispVal = object; return v; }

} // namespace quendarx::test
