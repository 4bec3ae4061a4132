#pragma once
// The record set handed to the host: an IRecordset over a quendarx::Recordset, also
// reachable through IDispatch as an ADO record set (RecordCount, EOF, MoveNext, MoveFirst,
// FieldCount, FieldName, and Fields with its Field objects; see automation.h).
#include "automation/ComSupport.h"
#include "automation/Dispatch.h"
#include "cancellations/HostOperations.h"
#include <QVariant>

namespace quendarx::com {

class RecordsetObject final : public ComObject<RecordsetObject, IRecordset> {
public:
    // A new object (one reference, the caller's) over the record set.
    static IRecordset* create(RecordsetRef data);
    // The record set behind one of the library's record-set objects; empty for anything
    // else (nullptr, or an object the library did not make).
    static RecordsetRef unwrap(IUnknown* object);

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    HRESULT GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) override;
    HRESULT Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   std::uint32_t* argError) override;

    HRESULT get_RecordCount(std::int32_t* count) override;
    HRESULT get_EOF(VARIANT_BOOL* eof) override;
    HRESULT MoveNext() override;
    HRESULT MoveFirst() override;
    HRESULT get_FieldCount(std::int32_t* count) override;
    HRESULT get_FieldName(std::int32_t index, BSTR* name) override;
    HRESULT get_Field(const char* name, VARIANT* value) override;

    const RecordsetRef& data() const { return data_; }

private:
    explicit RecordsetObject(RecordsetRef data) : data_(std::move(data)) {}
    friend class ComObject<RecordsetObject, IRecordset>;
    ~RecordsetObject() = default;

    static const Member<RecordsetObject> kMembers[];
    RecordsetRef data_;
};

// A record-set value as the host receives it: null VT_NULL, whole numbers VT_I4 (VT_I8
// beyond 32 bits), fractions VT_R8, texts VT_BSTR, dates VT_DATE. The variant is
// overwritten, not cleared.
void toVariant(const QVariant& value, VARIANT* out);

} // namespace quendarx::com
