#pragma once
// Driving the library as a late-binding host does: class factory, instance, names to
// dispatch ids, Invoke with every argument by reference.
#include "quendarx/automation.h"
#include <QString>
#include <utility>
#include <vector>

namespace quendarx::test {

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
    // For an out parameter (void**).
    void** out() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    I** slot() { return &p_; }
    void reset() {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }

private:
    I* p_ = nullptr;
};

// What one Invoke gave back, copied out of the COM memory (which is freed).
struct CallResult {
    com::HRESULT hr = com::S_OK;
    std::uint16_t vt = com::VT_EMPTY;
    bool boolean = false;
    int scode = 0;
    QString description;
    QString source;
    std::uint32_t argError = 0xFFFFFFFFu;
};

// A VARIANT that owns what it holds (cleared when it goes).
struct Variant {
    com::VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

com::HRESULT createInstance(const com::GUID& clsid, Ref<com::IDispatch>& out);
Ref<com::IDispatch> instance(const com::GUID& clsid);
inline Ref<com::IDispatch> cancelMain() { return instance(com::CLSID_clcancelMain); }
inline Ref<com::IDispatch> importar() { return instance(com::CLSID_clImportar); }

com::DISPID dispId(com::IDispatch* object, const char* name);
// Invoke by member name; args in call order (reversed into rgvarg here).
CallResult invoke(com::IDispatch* object, const char* name, std::uint16_t flags, std::vector<com::VARIANT> args,
                  bool propertyPutNamed = false);
// A property put with the text by reference, as a host passes it.
CallResult put(com::IDispatch* object, const char* name, const QString& text);
CallResult call(com::IDispatch* object, const char* name, std::vector<com::VARIANT> args = {});

com::VARIANT byValue(std::int32_t value);
com::VARIANT byValue(double value);
com::VARIANT byRef(com::BSTR* text);
com::VARIANT byRef(std::int16_t* value);
com::VARIANT byRef(com::IDispatch** object);

} // namespace quendarx::test
