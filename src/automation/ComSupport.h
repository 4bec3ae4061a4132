#pragma once
// What the server's objects share: live-object and lock counts, reference counting,
// texts, dates and the way a failure inside a member is handed back to the host.
#include "quendarx/automation.h"
#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>

namespace quendarx::com {

// Every live object of the server (instances, class factories, record sets) and every
// server lock keeps the library loaded.
void objectCreated();
void objectDestroyed();
void lockServer(bool lock);
bool serverInUse();

// Reference counting for an object that implements one interface. Derived is the final
// class; the object deletes itself when the last reference goes.
template <class Derived, class Interface> class ComObject : public Interface {
public:
    std::uint32_t AddRef() override { return ++references_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --references_;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComObject() { objectCreated(); }
    ~ComObject() { objectDestroyed(); }

    // Hands out this object for the interfaces that the derived class answers.
    HRESULT answer(bool known, void** object) {
        if (!object)
            return E_POINTER;
        if (!known) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

private:
    std::atomic<std::uint32_t> references_{1};
};

BSTR toBstr(const QString& text);
QString fromBstr(const char* text); // nullptr reads as ""

// OLE dates: days since 1899-12-30; the fraction is the time of day, also for dates
// before the base (-1.25 is 1899-12-29 06:00).
double toOleDate(const QDateTime& value);
QDateTime fromOleDate(double value);

// Member names compare without regard to (ASCII) letter case.
bool sameName(const char* a, const char* b);

// A dispatch call refused before or after its member ran: the HRESULT and, for a bad
// argument, its index in DISPPARAMS::rgvarg.
struct DispatchFailure {
    HRESULT hr;
    std::int64_t argIndex = -1;
};

void setBool(VARIANT* result, bool value);

// Runs a member's body on behalf of Invoke. A run-time error that escapes it becomes
// DISP_E_EXCEPTION with the error's number, description and source in EXCEPINFO; a
// refused call gives its HRESULT (and the bad argument's index); nothing is thrown.
HRESULT guardedInvoke(EXCEPINFO* exception, std::uint32_t* argError, const std::function<void()>& body);

} // namespace quendarx::com
