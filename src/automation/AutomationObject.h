#pragma once
// The dispatch object the host creates for a public class: IDispatch plus the class's
// own interface id, answered through the class's member table.
#include "automation/ComSupport.h"
#include "automation/Dispatch.h"
#include <span>

namespace quendarx::com {

template <class T> class AutomationObject final : public ComObject<AutomationObject<T>, IDispatch> {
public:
    // A new object with one reference (the caller's).
    static IDispatch* create(const GUID& iid, std::span<const Member<T>> members) {
        return new AutomationObject(iid, members);
    }

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return this->answer(iid == IID_IUnknown || iid == IID_IDispatch || iid == iid_, object);
    }
    HRESULT GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) override {
        return idsOfNames<T>(members_, names, count, ids);
    }
    HRESULT Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   std::uint32_t* argError) override {
        return invokeMember<T>(object_, members_, id, flags, params, result, exception, argError);
    }

private:
    AutomationObject(const GUID& iid, std::span<const Member<T>> members) : iid_(iid), members_(members) {}
    friend class ComObject<AutomationObject<T>, IDispatch>;
    ~AutomationObject() = default;

    GUID iid_;
    std::span<const Member<T>> members_;
    T object_; // the public class itself keeps no state
};

} // namespace quendarx::com
