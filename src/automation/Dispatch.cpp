#include "automation/Dispatch.h"
#include "automation/RecordsetObject.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <limits>

namespace quendarx::com {

HRESULT checkCall(MemberKind kind, std::uint32_t argCount, std::uint16_t flags, const DISPPARAMS* params) {
    const std::uint32_t named = params ? params->cNamedArgs : 0;
    const std::uint32_t given = params ? params->cArgs : 0;
    if (given > 0 && (!params->rgvarg))
        return E_INVALIDARG;
    switch (kind) {
    case MemberKind::PropertyPut:
        if (!(flags & DISPATCH_PROPERTYPUT))
            return DISP_E_MEMBERNOTFOUND;
        // The value may come as the named argument DISPID_PROPERTYPUT, as hosts send it.
        if (named > 1 ||
            (named == 1 && (!params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
            return DISP_E_NONAMEDARGS;
        break;
    case MemberKind::PropertyGet:
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)))
            return DISP_E_MEMBERNOTFOUND;
        if (named > 0)
            return DISP_E_NONAMEDARGS;
        break;
    case MemberKind::Method:
        if (!(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (named > 0)
            return DISP_E_NONAMEDARGS;
        break;
    }
    return given == argCount ? S_OK : DISP_E_BADPARAMCOUNT;
}

const VARIANT& Arguments::at(std::uint32_t position) const {
    const VARIANT& given = params_->rgvarg[index(position)];
    if (given.vt == (VT_BYREF | VT_VARIANT)) {
        if (!given.pvarVal)
            mismatch(position);
        return *given.pvarVal;
    }
    return given;
}

void Arguments::mismatch(std::uint32_t position) const { throw DispatchFailure{DISP_E_TYPEMISMATCH, index(position)}; }

QString Arguments::propertyText(std::uint32_t position) const {
    const VARIANT& v = at(position);
    const bool byRef = (v.vt & VT_BYREF) != 0;
    switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
        if (!byRef)
            return QString();
        break;
    case VT_NULL:
        if (!byRef)
            raiseInvalidUseOfNull();
        break;
    case VT_BSTR:
        if (byRef && !v.pbstrVal)
            break;
        return fromBstr(byRef ? *v.pbstrVal : v.bstrVal);
    case VT_I2:
        if (byRef && !v.piVal)
            break;
        return QString::number(byRef ? *v.piVal : v.iVal);
    case VT_I4:
        if (byRef && !v.plVal)
            break;
        return QString::number(byRef ? *v.plVal : v.lVal);
    case VT_I8:
        if (byRef)
            break; // VARIANT carries no 64-bit reference
        return QString::number(v.llVal);
    case VT_R8:
        if (byRef && !v.pdblVal)
            break;
        return Regional::generalNumber(byRef ? *v.pdblVal : v.dblVal);
    default:
        break;
    }
    mismatch(position);
}

QString Arguments::text(std::uint32_t position) const {
    const VARIANT& v = at(position);
    if (v.vt == VT_BSTR)
        return fromBstr(v.bstrVal);
    if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal)
        return fromBstr(*v.pbstrVal);
    mismatch(position);
}

bool Arguments::isNumber(std::uint32_t position) const {
    const auto type = at(position).vt & ~VT_BYREF;
    return type == VT_I2 || type == VT_I4;
}

std::int32_t Arguments::int32(std::uint32_t position) const {
    const VARIANT& v = at(position);
    switch (v.vt) {
    case VT_I2:
        return v.iVal;
    case VT_I4:
        return v.lVal;
    case VT_BYREF | VT_I2:
        if (v.piVal)
            return *v.piVal;
        break;
    case VT_BYREF | VT_I4:
        if (v.plVal)
            return *v.plVal;
        break;
    default:
        break;
    }
    mismatch(position);
}

std::int16_t Arguments::int16(std::uint32_t position) const {
    const std::int32_t value = int32(position);
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        mismatch(position);
    return static_cast<std::int16_t>(value);
}

RecordsetSlot Arguments::recordset(std::uint32_t position) const {
    const VARIANT& given = params_->rgvarg[index(position)];
    if (given.vt == (VT_BYREF | VT_DISPATCH) && given.ppdispVal)
        return RecordsetSlot(given.ppdispVal);
    if (given.vt == (VT_BYREF | VT_VARIANT) && given.pvarVal) {
        VARIANT* inner = given.pvarVal;
        if (inner->vt == (VT_BYREF | VT_DISPATCH) && inner->ppdispVal)
            return RecordsetSlot(inner->ppdispVal);
        // A Variant variable: empty, Nothing or an object.
        if (inner->vt == VT_EMPTY || inner->vt == VT_NULL || inner->vt == VT_DISPATCH || inner->vt == VT_UNKNOWN)
            return RecordsetSlot(inner);
    }
    mismatch(position);
}

IDispatch* RecordsetSlot::current() const {
    if (reference_)
        return *reference_;
    if (variant_->vt == VT_DISPATCH)
        return variant_->pdispVal;
    return nullptr;
}

RecordsetRef RecordsetSlot::incoming() const {
    if (reference_)
        return RecordsetObject::unwrap(*reference_);
    if (variant_->vt == VT_DISPATCH)
        return RecordsetObject::unwrap(variant_->pdispVal);
    if (variant_->vt == VT_UNKNOWN)
        return RecordsetObject::unwrap(variant_->punkVal);
    return nullptr;
}

void RecordsetSlot::store(const RecordsetRef& value) const {
    IDispatch* const held = current();
    if (value && held && RecordsetObject::unwrap(held) == value)
        return; // the host's record set was refilled in place
    IDispatch* replacement = value ? RecordsetObject::create(value) : nullptr;
    if (reference_) {
        if (held)
            held->Release();
        *reference_ = replacement;
        return;
    }
    VariantClear(variant_);
    variant_->vt = VT_DISPATCH;
    variant_->pdispVal = replacement;
}

} // namespace quendarx::com
