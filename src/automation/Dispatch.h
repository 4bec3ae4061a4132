#pragma once
// Late binding: a member table (name, dispatch id, kind, argument count, body) and the
// GetIDsOfNames/Invoke that every dispatch object of the server answers through it.
#include "automation/ComSupport.h"
#include "cancellations/HostOperations.h"
#include <QString>
#include <cstdint>
#include <span>

namespace quendarx::com {

// Where a record-set argument (IDispatch** or a VARIANT by reference) points.
class RecordsetSlot {
public:
    explicit RecordsetSlot(IDispatch** reference) : reference_(reference) {}
    explicit RecordsetSlot(VARIANT* variant) : variant_(variant) {}

    // The record set the host passed in when it is one of the library's; else empty.
    RecordsetRef incoming() const;
    // Puts the record set (or an empty reference) into the host's variable, releasing
    // what was there unless it already is that very record set.
    void store(const RecordsetRef& value) const;

private:
    IDispatch* current() const;

    IDispatch** reference_ = nullptr;
    VARIANT* variant_ = nullptr;
};

// The arguments of one call, read by position (0 = the first argument, which is the
// last of DISPPARAMS::rgvarg). A value of the wrong type throws DispatchFailure with
// DISP_E_TYPEMISMATCH and the argument's index.
class Arguments {
public:
    explicit Arguments(const DISPPARAMS* params) : params_(params) {}
    std::uint32_t count() const { return params_ ? params_->cArgs : 0; }

    // A property value: a text, a number as its text, Empty as "" (Null: run-time error 94).
    QString propertyText(std::uint32_t position) const;
    // A BSTR, by reference or by value.
    QString text(std::uint32_t position) const;
    // A 16-bit integer, by reference or by value; a 32-bit one within range is accepted.
    std::int16_t int16(std::uint32_t position) const;
    // A record-set variable passed by reference.
    RecordsetSlot recordset(std::uint32_t position) const;
    // A column of a record set: its name, or a number (its index).
    bool isNumber(std::uint32_t position) const;
    std::int32_t int32(std::uint32_t position) const;

private:
    std::uint32_t index(std::uint32_t position) const { return count() - 1 - position; }
    // The argument with a VARIANT reference followed.
    const VARIANT& at(std::uint32_t position) const;
    [[noreturn]] void mismatch(std::uint32_t position) const;

    const DISPPARAMS* params_;
};

enum class MemberKind { PropertyPut, PropertyGet, Method };

template <class Self> struct Member {
    const char* name;
    DISPID id;
    MemberKind kind;
    std::uint32_t argCount;
    void (*run)(Self& self, const Arguments& args, VARIANT* result);
};

// Whether a call with these flags and parameters may reach a member of the kind; the
// refusal's HRESULT otherwise.
HRESULT checkCall(MemberKind kind, std::uint32_t argCount, std::uint16_t flags, const DISPPARAMS* params);

template <class Self>
HRESULT idsOfNames(std::span<const Member<Self>> members, const char* const* names, std::uint32_t count, DISPID* ids) {
    if (!names || !ids || count == 0)
        return E_POINTER;
    for (std::uint32_t i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    for (const Member<Self>& member : members) {
        if (sameName(member.name, names[0])) {
            ids[0] = member.id;
            // Named arguments are not supported: their names are unknown.
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

template <class Self>
HRESULT invokeMember(Self& self, std::span<const Member<Self>> members, DISPID id, std::uint16_t flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) {
    for (const Member<Self>& member : members) {
        if (member.id != id)
            continue;
        const HRESULT allowed = checkCall(member.kind, member.argCount, flags, params);
        if (allowed != S_OK)
            return allowed;
        if (result)
            VariantInit(result);
        const Arguments args(params);
        return guardedInvoke(exception, argError, [&] { member.run(self, args, result); });
    }
    return DISP_E_MEMBERNOTFOUND;
}

} // namespace quendarx::com
