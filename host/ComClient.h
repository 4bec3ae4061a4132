#pragma once
// The host's side of the automation interface, as a late-binding host does it: ProgID ->
// registry file -> load the library -> DllGetClassObject -> IClassFactory::CreateInstance
// -> IDispatch::GetIDsOfNames -> Invoke with every argument by reference.
#include "quendarx/automation.h"
#include "script/Commands.h"
#include "script/Variants.h"
#include <QString>
#include <QStringList>
#include <vector>

namespace quendarx::host {

// One loaded library with the entry points the host uses. Loaded once per path and never
// unloaded.
class ComLibrary {
public:
    // Throws ScriptError when the library cannot be loaded or lacks an entry point.
    static ComLibrary& load(const QString& path);

    const QString& path() const { return path_; }
    const ComRuntime& runtime() const { return runtime_; }
    com::HRESULT getClassObject(const com::GUID& clsid, com::IClassFactory** factory) const;
    com::HRESULT registerServer() const;
    com::HRESULT unregisterServer() const;
    // Whether this is the very library the host was linked with (so the seams the host
    // installs are the ones it sees).
    bool isLinkedLibrary() const;

private:
    ComLibrary() = default;
    QString path_;
    void* handle_ = nullptr;
    ComRuntime runtime_;
    com::HRESULT (*getClassObject_)(const com::GUID*, const com::GUID*, void**) = nullptr;
    com::HRESULT (*registerServer_)() = nullptr;
    com::HRESULT (*unregisterServer_)() = nullptr;
};

// The path of the libquendarx the host was built and linked with.
QString linkedLibraryPath();

struct ComObject {
    com::IDispatch* dispatch = nullptr;
    const ComLibrary* library = nullptr;
};

// What came back from Invoke.
struct InvokeOutcome {
    bool failed = false;
    int errorNumber = 0;
    QString errorDescription;
    QString result;             // the RESULT value text ("" for none)
    QStringList recordsetLines; // RS lines when a record set was passed
};

// Creates an instance of the ProgID; registers the linked library first when the ProgID
// is not registered. Throws ScriptError for an unknown ProgID or a failed creation.
ComObject createObject(const QString& progId);

// The dispatch id of a member; throws ScriptError for an unknown member (named in the
// message as `shownAs`, e.g. "cm.Foo").
com::DISPID memberId(const ComObject& object, const QString& member, const QString& shownAs);

InvokeOutcome invokePut(const ComObject& object, com::DISPID id, const QString& value);
// A method call; with withRecordset a record-set reference (initially empty) is passed
// after the arguments and read back afterwards.
InvokeOutcome invokeMethod(const ComObject& object, com::DISPID id, const std::vector<Argument>& arguments,
                           bool withRecordset);

// The members whose last parameter is a record set the host receives.
bool isRecordsetMember(const QString& member);

} // namespace quendarx::host
