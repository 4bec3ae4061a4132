#include "ComClient.h"
#include "script/Registry.h"
#include "script/ScriptError.h"
#include <QFileInfo>
#include <cstdio>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <memory>

namespace quendarx::host {

using namespace quendarx::com;

namespace {

template <class Fn> Fn symbol(void* handle, const char* name) { return reinterpret_cast<Fn>(dlsym(handle, name)); }

int findQuendarxObject(dl_phdr_info* info, size_t, void* data) {
    const QString name = QString::fromLocal8Bit(info->dlpi_name);
    if (QFileInfo(name).fileName().startsWith(QStringLiteral("libquendarx.so"))) {
        *static_cast<QString*>(data) = name;
        return 1;
    }
    return 0;
}

} // namespace

QString linkedLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllGetClassObject), &info) && info.dli_fname) {
        const QString path = QString::fromLocal8Bit(info.dli_fname);
        if (QFileInfo(path).fileName().startsWith(QStringLiteral("libquendarx")))
            return path;
    }
    QString found; // the symbol resolved into the executable: look the library up by name
    dl_iterate_phdr(findQuendarxObject, &found);
    return found;
}

ComLibrary& ComLibrary::load(const QString& path) {
    static std::map<QString, std::unique_ptr<ComLibrary>> loaded;
    auto& slot = loaded[path];
    if (slot)
        return *slot;
    void* handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        loaded.erase(path);
        throw ScriptError(QStringLiteral("cannot load %1: %2").arg(path, QString::fromLocal8Bit(dlerror())));
    }
    std::unique_ptr<ComLibrary> library(new ComLibrary);
    library->path_ = path;
    library->handle_ = handle;
    library->getClassObject_ = symbol<decltype(getClassObject_)>(handle, "DllGetClassObject");
    library->registerServer_ = symbol<decltype(registerServer_)>(handle, "DllRegisterServer");
    library->unregisterServer_ = symbol<decltype(unregisterServer_)>(handle, "DllUnregisterServer");
    ComRuntime& rt = library->runtime_;
    rt.sysAllocString = symbol<decltype(rt.sysAllocString)>(handle, "SysAllocString");
    rt.sysFreeString = symbol<decltype(rt.sysFreeString)>(handle, "SysFreeString");
    rt.variantInit = symbol<decltype(rt.variantInit)>(handle, "VariantInit");
    rt.variantClear = symbol<decltype(rt.variantClear)>(handle, "VariantClear");
    if (!library->getClassObject_ || !library->registerServer_ || !library->unregisterServer_ || !rt.sysAllocString ||
        !rt.sysFreeString || !rt.variantInit || !rt.variantClear) {
        loaded.erase(path);
        throw ScriptError(QStringLiteral("%1 lacks the automation entry points").arg(path));
    }
    if (!library->isLinkedLibrary())
        std::fprintf(stderr,
                     "quendarx-host: warning: %s is not the library the host was built with; "
                     "the host's message boxes, printers and screen driver do not reach it\n",
                     qPrintable(path));
    slot = std::move(library);
    return *slot;
}

HRESULT ComLibrary::getClassObject(const GUID& clsid, IClassFactory** factory) const {
    return getClassObject_(&clsid, &IID_IClassFactory, reinterpret_cast<void**>(factory));
}

HRESULT ComLibrary::registerServer() const { return registerServer_(); }
HRESULT ComLibrary::unregisterServer() const { return unregisterServer_(); }

bool ComLibrary::isLinkedLibrary() const {
    return reinterpret_cast<void*>(getClassObject_) == reinterpret_cast<void*>(&DllGetClassObject);
}

namespace {

std::optional<Registration> resolve(const QString& progId) {
    if (auto found = lookupProgId(registryPath(), progId))
        return found;
    // The system-wide registrations (the Debian package writes them) serve every user
    // who has none of their own; a named registry file stands alone.
    if (qEnvironmentVariableIsEmpty("QUENDARX_REGISTRY"))
        if (auto found = lookupProgId(QStringLiteral("/etc/quendarx/registry.ini"), progId))
            return found;
    // Not registered: register the library the host was built with, then look again.
    const QString linked = linkedLibraryPath();
    if (linked.isEmpty())
        return std::nullopt;
    const HRESULT hr = ComLibrary::load(linked).registerServer();
    if (hr != S_OK)
        std::fprintf(stderr, "quendarx-host: DllRegisterServer of %s failed: 0x%08x\n", qPrintable(linked),
                     static_cast<unsigned>(hr));
    return lookupProgId(registryPath(), progId);
}

} // namespace

ComObject createObject(const QString& progId) {
    const auto registration = resolve(progId);
    if (!registration)
        throw ScriptError(QStringLiteral("unknown class or ProgID: %1").arg(progId));
    const ComLibrary& library = ComLibrary::load(registration->library);
    IClassFactory* factory = nullptr;
    HRESULT hr = library.getClassObject(registration->clsid, &factory);
    if (hr != S_OK || !factory)
        throw ScriptError(QStringLiteral("no class factory for %1 (0x%2)")
                              .arg(progId)
                              .arg(static_cast<unsigned>(hr), 8, 16, QLatin1Char('0')));
    IDispatch* dispatch = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    factory->Release();
    if (hr != S_OK || !dispatch)
        throw ScriptError(QStringLiteral("cannot create %1 (0x%2)")
                              .arg(progId)
                              .arg(static_cast<unsigned>(hr), 8, 16, QLatin1Char('0')));
    return ComObject{dispatch, &library};
}

DISPID memberId(const ComObject& object, const QString& member, const QString& shownAs) {
    const QByteArray name = member.toUtf8();
    const char* names[] = {name.constData()};
    DISPID id = 0;
    if (object.dispatch->GetIDsOfNames(names, 1, &id) != S_OK)
        throw ScriptError(QStringLiteral("unknown member: %1").arg(shownAs));
    return id;
}

bool isRecordsetMember(const QString& member) {
    return member.compare(u"Obtener_Items", Qt::CaseInsensitive) == 0 ||
           member.compare(u"ObtenerCancelacion", Qt::CaseInsensitive) == 0;
}

namespace {

// How a late-binding host reports an Invoke failure that is not an exception.
void describeFailure(HRESULT hr, InvokeOutcome& outcome) {
    outcome.failed = true;
    switch (hr) {
    case DISP_E_TYPEMISMATCH:
        outcome.errorNumber = 13;
        outcome.errorDescription = QStringLiteral("Type mismatch");
        break;
    case DISP_E_BADPARAMCOUNT:
        outcome.errorNumber = 450;
        outcome.errorDescription = QStringLiteral("Wrong number of arguments or invalid property assignment");
        break;
    case DISP_E_MEMBERNOTFOUND:
        outcome.errorNumber = 438;
        outcome.errorDescription = QStringLiteral("Object doesn't support this property or method");
        break;
    default:
        outcome.errorNumber = hr;
        outcome.errorDescription = QStringLiteral("Automation error");
    }
}

// The by-reference arguments of one call: storage first, then the variants pointing at
// it, last argument first.
class ArgumentBlock {
public:
    ArgumentBlock(const ComRuntime& rt, const std::vector<Argument>& arguments, bool withRecordset)
        : rt_(rt), texts_(arguments.size(), nullptr), numbers_(arguments.size(), 0),
          variants_(arguments.size() + (withRecordset ? 1 : 0)) {
        const std::size_t count = variants_.size();
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            VARIANT& v = variants_[count - 1 - i];
            if (arguments[i].isNumber) {
                numbers_[i] = arguments[i].number;
                v.vt = VT_BYREF | VT_I2;
                v.piVal = &numbers_[i];
            } else {
                texts_[i] = rt.sysAllocString(arguments[i].text.toUtf8().constData());
                v.vt = VT_BYREF | VT_BSTR;
                v.pbstrVal = &texts_[i];
            }
        }
        if (withRecordset) {
            VARIANT& v = variants_[0];
            v.vt = VT_BYREF | VT_DISPATCH;
            v.ppdispVal = &recordset_;
        }
    }
    ~ArgumentBlock() {
        for (BSTR text : texts_)
            if (text)
                rt_.sysFreeString(text);
        if (recordset_)
            recordset_->Release();
    }
    ArgumentBlock(const ArgumentBlock&) = delete;
    ArgumentBlock& operator=(const ArgumentBlock&) = delete;

    VARIANT* variants() { return variants_.empty() ? nullptr : variants_.data(); }
    std::uint32_t count() const { return static_cast<std::uint32_t>(variants_.size()); }
    IDispatch* recordset() const { return recordset_; }

private:
    const ComRuntime& rt_;
    std::vector<BSTR> texts_;
    std::vector<std::int16_t> numbers_;
    std::vector<VARIANT> variants_;
    IDispatch* recordset_ = nullptr;
};

InvokeOutcome invoke(const ComObject& object, DISPID id, std::uint16_t flags, ArgumentBlock& block,
                     bool withRecordset) {
    const ComRuntime& rt = object.library->runtime();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{block.variants(), nullptr, block.count(), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    VARIANT result;
    rt.variantInit(&result);
    EXCEPINFO exception{};
    std::uint32_t argError = 0;
    const HRESULT hr = object.dispatch->Invoke(id, flags, &params, flags == DISPATCH_PROPERTYPUT ? nullptr : &result,
                                               &exception, &argError);
    InvokeOutcome outcome;
    if (hr == DISP_E_EXCEPTION) {
        outcome.failed = true;
        outcome.errorNumber = exception.scode;
        outcome.errorDescription = exception.bstrDescription ? QString::fromUtf8(exception.bstrDescription) : QString();
    } else if (hr != S_OK) {
        describeFailure(hr, outcome);
    } else {
        outcome.result = resultText(result);
        if (withRecordset)
            outcome.recordsetLines = recordsetLines(block.recordset(), rt);
    }
    if (exception.bstrSource)
        rt.sysFreeString(exception.bstrSource);
    if (exception.bstrDescription)
        rt.sysFreeString(exception.bstrDescription);
    rt.variantClear(&result);
    return outcome;
}

} // namespace

InvokeOutcome invokePut(const ComObject& object, DISPID id, const QString& value) {
    ArgumentBlock block(object.library->runtime(), {Argument{false, 0, value}}, false);
    return invoke(object, id, DISPATCH_PROPERTYPUT, block, false);
}

InvokeOutcome invokeMethod(const ComObject& object, DISPID id, const std::vector<Argument>& arguments,
                           bool withRecordset) {
    ArgumentBlock block(object.library->runtime(), arguments, withRecordset);
    return invoke(object, id, DISPATCH_METHOD, block, withRecordset);
}

} // namespace quendarx::host
