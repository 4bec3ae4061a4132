#pragma once
// Driving the library as a late-binding host does: class factory, instance, names to
// dispatch ids, Invoke with every argument by reference.
#include "quendarx/automation.h"
#include <QString>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace quendarx::test {

using namespace quendarx::com;

// An interface reference released when it goes.
template <class I> class Ref {
public:
    Ref() = default;
    explicit Ref(I* p) : p_(p) {}
    ~Ref() { reset(); }
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref&&) = delete;
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void** out() { // for an out parameter
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    void reset() {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }

private:
    I* p_ = nullptr;
};

inline Ref<IDispatch> instance(const GUID& clsid) {
    Ref<IClassFactory> factory;
    Ref<IDispatch> object;
    EXPECT_EQ(DllGetClassObject(&clsid, &IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.out()), S_OK);
    return object;
}
inline Ref<IDispatch> cancelMain() { return instance(CLSID_clcancelMain); }
inline Ref<IDispatch> importar() { return instance(CLSID_clImportar); }

inline DISPID dispId(IDispatch* object, const char* name) {
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(&name, 1, &id), S_OK) << name;
    return id;
}

// What one Invoke gave back, copied out of the COM memory (which is freed).
struct CallResult {
    HRESULT hr = S_OK;
    std::uint16_t vt = VT_EMPTY;
    std::int32_t number = 0; // a VT_I4 result
    QString text;            // a VT_BSTR result
    Ref<IDispatch> object;   // a VT_DISPATCH result
    int scode = 0;
    QString description, source;
};

// Invoke by member name (the default member when null); args in call order (reversed
// into rgvarg here).
inline CallResult invoke(IDispatch* object, const char* name, std::uint16_t flags, std::vector<VARIANT> args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<std::uint32_t>(reversed.size()), 0};
    struct Owned { // the result, cleared when it goes
        VARIANT v;
        Owned() { VariantInit(&v); }
        ~Owned() { VariantClear(&v); }
    } result;
    EXCEPINFO error{0, nullptr, nullptr, 0};
    std::uint32_t argError = 0;
    CallResult out;
    out.hr = object->Invoke(name ? dispId(object, name) : DISPID_VALUE, flags, &params, &result.v, &error, &argError);
    out.vt = result.v.vt;
    out.number = result.v.vt == VT_I4 ? result.v.lVal : 0;
    out.text = result.v.vt == VT_BSTR ? QString::fromUtf8(result.v.bstrVal) : QString();
    if (result.v.vt == VT_DISPATCH && result.v.pdispVal) {
        result.v.pdispVal->AddRef();
        *reinterpret_cast<IDispatch**>(out.object.out()) = result.v.pdispVal;
    }
    out.scode = error.scode;
    out.description = QString::fromUtf8(error.bstrDescription);
    out.source = QString::fromUtf8(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrSource);
    return out;
}

inline VARIANT typed(std::uint16_t vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}
inline VARIANT byValue(std::int32_t value) {
    VARIANT v = typed(VT_I4);
    v.lVal = value;
    return v;
}
inline VARIANT byValue(double value) {
    VARIANT v = typed(VT_R8);
    v.dblVal = value;
    return v;
}
inline VARIANT byRef(BSTR* text) {
    VARIANT v = typed(VT_BYREF | VT_BSTR);
    v.pbstrVal = text;
    return v;
}

inline CallResult call(IDispatch* object, const char* name, std::vector<VARIANT> args = {}) {
    return invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
}

} // namespace quendarx::test
