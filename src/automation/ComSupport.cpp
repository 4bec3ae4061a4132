#include "automation/ComSupport.h"
#include "platform/RuntimeError.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace quendarx::com {

namespace {
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
const QDate kOleBase(1899, 12, 30);
constexpr double kMsecsPerDay = 86400000.0;

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void fillException(EXCEPINFO* info, int number, const QString& description, const QString& source) {
    if (!info)
        return;
    info->wCode = 0;
    info->scode = number;
    info->bstrDescription = toBstr(description);
    info->bstrSource = toBstr(source);
}
} // namespace

void objectCreated() { ++g_objects; }
void objectDestroyed() { --g_objects; }

void lockServer(bool lock) {
    if (lock)
        ++g_locks;
    else if (g_locks.load() > 0)
        --g_locks;
}

bool serverInUse() { return g_objects.load() > 0 || g_locks.load() > 0; }

BSTR toBstr(const QString& text) { return SysAllocString(text.toUtf8().constData()); }

QString fromBstr(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

double toOleDate(const QDateTime& value) {
    const double days = static_cast<double>(kOleBase.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / kMsecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime fromOleDate(double value) {
    const double whole = std::trunc(value);
    auto msecs = static_cast<qint64>(std::llround(std::fabs(value - whole) * kMsecsPerDay));
    QDate date = kOleBase.addDays(static_cast<qint64>(whole));
    if (msecs >= static_cast<qint64>(kMsecsPerDay)) {
        date = date.addDays(1);
        msecs = 0;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
}

bool sameName(const char* a, const char* b) {
    if (!a || !b)
        return false;
    for (; *a && *b; ++a, ++b)
        if (asciiLower(*a) != asciiLower(*b))
            return false;
    return *a == *b;
}

void setBool(VARIANT* result, bool value) {
    if (!result)
        return;
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

HRESULT guardedInvoke(EXCEPINFO* exception, std::uint32_t* argError, const std::function<void()>& body) {
    try {
        body();
        return S_OK;
    } catch (const DispatchFailure& failure) {
        if (argError && failure.argIndex >= 0)
            *argError = static_cast<std::uint32_t>(failure.argIndex);
        return failure.hr;
    } catch (const RuntimeError& error) {
        fillException(exception, error.number, error.description, error.source);
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        fillException(exception, 7, QStringLiteral("Out of memory"), QStringLiteral("Quendarx"));
        return DISP_E_EXCEPTION;
    } catch (const std::exception& error) {
        fillException(exception, 51, QString::fromUtf8(error.what()), QStringLiteral("Quendarx"));
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace quendarx::com

using namespace quendarx::com;

extern "C" {

BSTR SysAllocString(const char* utf8) {
    if (!utf8)
        return nullptr;
    const std::size_t size = std::strlen(utf8) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy)
        std::memcpy(copy, utf8, size);
    return copy;
}

void SysFreeString(BSTR text) { std::free(text); }

void VariantInit(VARIANT* value) {
    if (!value)
        return;
    std::memset(value, 0, sizeof(VARIANT));
    value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
    if (!value)
        return E_POINTER;
    switch (value->vt) {
    case VT_BSTR:
        SysFreeString(value->bstrVal);
        break;
    case VT_DISPATCH:
        if (value->pdispVal)
            value->pdispVal->Release();
        break;
    case VT_UNKNOWN:
        if (value->punkVal)
            value->punkVal->Release();
        break;
    default:
        break; // numbers, dates, Booleans and references own nothing
    }
    VariantInit(value);
    return S_OK;
}

} // extern "C"
