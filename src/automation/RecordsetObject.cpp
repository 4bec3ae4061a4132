#include "automation/RecordsetObject.h"
#include "platform/RuntimeError.h"
#include <limits>

namespace quendarx::com {

namespace {
// Answered only by the library's own record-set objects, so that a record set the host
// hands back in can be recognised.
constexpr GUID kIID_RecordsetObject{0xB3D1C6E2, 0x5A41, 0x4F0B, {0x9C, 0x7E, 0x2D, 0x8A, 0x0F, 0x61, 0xC1, 0xF0}};

// Runs a record-set operation for a direct (vtable) call: a run-time error gives E_FAIL.
template <class Body> HRESULT direct(Body body) {
    try {
        body();
        return S_OK;
    } catch (const RuntimeError&) {
        return E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

[[noreturn]] void noSuchField() { throw RuntimeError(StandardError::ItemNotFound, {}, QStringLiteral("Recordset")); }

[[noreturn]] void noCurrentRecord() {
    throw RuntimeError(StandardError::NoCurrentRecord, {}, QStringLiteral("Recordset"));
}

// The column an argument names: a name (any letter case) or a 0-based index.
int columnOf(const Recordset& rs, const Arguments& args) {
    if (args.isNumber(0)) {
        const std::int32_t column = args.int32(0);
        if (column < 0 || column >= rs.columns().size())
            noSuchField();
        return column;
    }
    const QString name = args.text(0);
    for (int i = 0; i < rs.columns().size(); ++i)
        if (rs.columns().at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    noSuchField();
}

// The type of a column as a record set of the original platform tells it, read from its
// first value that is not null (a column of nulls only reads as text).
std::int32_t columnType(const Recordset& rs, int column) {
    for (const auto& row : rs.rows()) {
        const QVariant& value = row[static_cast<std::size_t>(column)];
        if (!value.isValid() || value.isNull())
            continue;
        switch (value.metaType().id()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return adDouble;
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::UInt:
        case QMetaType::ULongLong: {
            const qlonglong number = value.toLongLong();
            return number >= std::numeric_limits<std::int32_t>::min() &&
                           number <= std::numeric_limits<std::int32_t>::max()
                       ? adInteger
                       : adBigInt;
        }
        case QMetaType::QDateTime:
        case QMetaType::QDate:
            return adDate;
        case QMetaType::Bool:
            return adBoolean;
        case QMetaType::QByteArray:
            return adLongVarBinary;
        default:
            return adVarWChar;
        }
    }
    return adVarWChar;
}

void setDispatch(VARIANT* result, IDispatch* object) {
    if (!result) {
        object->Release();
        return;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
}

// One column of the record set; Value reads the current row whenever it is asked.
class FieldObject final : public ComObject<FieldObject, IDispatch> {
public:
    static IDispatch* create(RecordsetRef data, int column) { return new FieldObject(std::move(data), column); }

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return answer(iid == IID_IUnknown || iid == IID_IDispatch, object);
    }
    HRESULT GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) override;
    HRESULT Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   std::uint32_t* argError) override;

private:
    FieldObject(RecordsetRef data, int column) : data_(std::move(data)), column_(column) {}
    friend class ComObject<FieldObject, IDispatch>;
    ~FieldObject() = default;

    // The column, checked again at every use: the host may hand the record set back in to
    // be refilled with other columns, or it may have been closed.
    int column() const {
        if (column_ >= data_->columns().size())
            noSuchField();
        return column_;
    }

    static const Member<FieldObject> kMembers[];
    RecordsetRef data_;
    int column_;
};

const Member<FieldObject> FieldObject::kMembers[] = {
    {"Value", DISPID_FIELD_VALUE, MemberKind::PropertyGet, 0,
     [](FieldObject& self, const Arguments&, VARIANT* result) {
         const int column = self.column();
         if (self.data_->EOF_())
             noCurrentRecord();
         const QVariant value = self.data_->Fields(self.data_->columns().at(column));
         if (result)
             toVariant(value, result);
     }},
    {"Name", DISPID_FIELD_NAME, MemberKind::PropertyGet, 0,
     [](FieldObject& self, const Arguments&, VARIANT* result) {
         if (result) {
             result->vt = VT_BSTR;
             result->bstrVal = toBstr(self.data_->columns().at(self.column()));
         }
     }},
    {"Type", DISPID_FIELD_TYPE, MemberKind::PropertyGet, 0,
     [](FieldObject& self, const Arguments&, VARIANT* result) {
         if (result) {
             result->vt = VT_I4;
             result->lVal = columnType(*self.data_, self.column());
         }
     }},
};

HRESULT FieldObject::GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) {
    return idsOfNames<FieldObject>(kMembers, names, count, ids);
}

HRESULT FieldObject::Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                            std::uint32_t* argError) {
    return invokeMember<FieldObject>(*this, kMembers, id, flags, params, result, exception, argError);
}

// The columns of the record set: Item (the default member) by name or index, Count.
class FieldsObject final : public ComObject<FieldsObject, IDispatch> {
public:
    static IDispatch* create(RecordsetRef data) { return new FieldsObject(std::move(data)); }

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return answer(iid == IID_IUnknown || iid == IID_IDispatch, object);
    }
    HRESULT GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) override;
    HRESULT Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   std::uint32_t* argError) override;

private:
    explicit FieldsObject(RecordsetRef data) : data_(std::move(data)) {}
    friend class ComObject<FieldsObject, IDispatch>;
    ~FieldsObject() = default;

    static const Member<FieldsObject> kMembers[];
    RecordsetRef data_;
};

const Member<FieldsObject> FieldsObject::kMembers[] = {
    {"Item", DISPID_FIELDS_ITEM, MemberKind::PropertyGet, 1,
     [](FieldsObject& self, const Arguments& args, VARIANT* result) {
         setDispatch(result, FieldObject::create(self.data_, columnOf(*self.data_, args)));
     }},
    {"Count", DISPID_FIELDS_COUNT, MemberKind::PropertyGet, 0,
     [](FieldsObject& self, const Arguments&, VARIANT* result) {
         if (result) {
             result->vt = VT_I4;
             result->lVal = static_cast<std::int32_t>(self.data_->columns().size());
         }
     }},
};

HRESULT FieldsObject::GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) {
    return idsOfNames<FieldsObject>(kMembers, names, count, ids);
}

HRESULT FieldsObject::Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                             std::uint32_t* argError) {
    return invokeMember<FieldsObject>(*this, kMembers, id, flags, params, result, exception, argError);
}
} // namespace

const Member<RecordsetObject> RecordsetObject::kMembers[] = {
    // Fields(x) is Fields.Item(x); Fields without an argument is the collection (Invoke).
    {"Fields", DISPID_RS_FIELDS, MemberKind::PropertyGet, 1,
     [](RecordsetObject& self, const Arguments& args, VARIANT* result) {
         setDispatch(result, FieldObject::create(self.data_, columnOf(*self.data_, args)));
     }},
    {"RecordCount", DISPID_RS_RECORDCOUNT, MemberKind::PropertyGet, 0,
     [](RecordsetObject& self, const Arguments&, VARIANT* result) {
         if (result) {
             result->vt = VT_I4;
             result->lVal = self.data_->RecordCount();
         }
     }},
    {"EOF", DISPID_RS_EOF, MemberKind::PropertyGet, 0,
     [](RecordsetObject& self, const Arguments&, VARIANT* result) { setBool(result, self.data_->EOF_()); }},
    {"MoveNext", DISPID_RS_MOVENEXT, MemberKind::Method, 0,
     [](RecordsetObject& self, const Arguments&, VARIANT*) {
         if (self.data_->EOF_())
             noCurrentRecord();
         self.data_->MoveNext();
     }},
    {"MoveFirst", DISPID_RS_MOVEFIRST, MemberKind::Method, 0,
     [](RecordsetObject& self, const Arguments&, VARIANT*) { self.data_->MoveFirst(); }},
    {"FieldCount", DISPID_RS_FIELDCOUNT, MemberKind::PropertyGet, 0,
     [](RecordsetObject& self, const Arguments&, VARIANT* result) {
         if (result) {
             result->vt = VT_I4;
             result->lVal = static_cast<std::int32_t>(self.data_->columns().size());
         }
     }},
    {"FieldName", DISPID_RS_FIELDNAME, MemberKind::PropertyGet, 1,
     [](RecordsetObject& self, const Arguments& args, VARIANT* result) {
         const std::int32_t column = args.int32(0);
         if (column < 0 || column >= self.data_->columns().size())
             throw DispatchFailure{E_INVALIDARG, 0};
         if (result) {
             result->vt = VT_BSTR;
             result->bstrVal = toBstr(self.data_->columns().at(column));
         }
     }},
};

IRecordset* RecordsetObject::create(RecordsetRef data) {
    if (!data)
        data = std::make_shared<Recordset>();
    return new RecordsetObject(std::move(data));
}

RecordsetRef RecordsetObject::unwrap(IUnknown* object) {
    if (!object)
        return nullptr;
    void* found = nullptr;
    if (object->QueryInterface(kIID_RecordsetObject, &found) != S_OK || !found)
        return nullptr;
    auto* self = static_cast<RecordsetObject*>(static_cast<IRecordset*>(found));
    RecordsetRef data = self->data_;
    self->Release();
    return data;
}

HRESULT RecordsetObject::QueryInterface(const GUID& iid, void** object) {
    return answer(iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IRecordset || iid == kIID_RecordsetObject,
                  object);
}

HRESULT RecordsetObject::GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) {
    return idsOfNames<RecordsetObject>(kMembers, names, count, ids);
}

HRESULT RecordsetObject::Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, std::uint32_t* argError) {
    if (id == DISPID_RS_FIELDS && (!params || params->cArgs == 0)) {
        const HRESULT allowed = checkCall(MemberKind::PropertyGet, 0, flags, params);
        if (allowed != S_OK)
            return allowed;
        if (result) {
            VariantInit(result);
            setDispatch(result, FieldsObject::create(data_));
        }
        return S_OK;
    }
    return invokeMember<RecordsetObject>(*this, kMembers, id, flags, params, result, exception, argError);
}

HRESULT RecordsetObject::get_RecordCount(std::int32_t* count) {
    if (!count)
        return E_POINTER;
    *count = data_->RecordCount();
    return S_OK;
}

HRESULT RecordsetObject::get_EOF(VARIANT_BOOL* eof) {
    if (!eof)
        return E_POINTER;
    *eof = data_->EOF_() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT RecordsetObject::MoveNext() {
    return direct([&] {
        if (data_->EOF_())
            noCurrentRecord();
        data_->MoveNext();
    });
}

HRESULT RecordsetObject::MoveFirst() {
    return direct([&] { data_->MoveFirst(); });
}

HRESULT RecordsetObject::get_FieldCount(std::int32_t* count) {
    if (!count)
        return E_POINTER;
    *count = static_cast<std::int32_t>(data_->columns().size());
    return S_OK;
}

HRESULT RecordsetObject::get_FieldName(std::int32_t index, BSTR* name) {
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (index < 0 || index >= data_->columns().size())
        return E_INVALIDARG;
    *name = toBstr(data_->columns().at(index));
    return S_OK;
}

HRESULT RecordsetObject::get_Field(const char* name, VARIANT* value) {
    if (!name || !value)
        return E_POINTER;
    VariantInit(value);
    try {
        toVariant(data_->Fields(QString::fromUtf8(name)), value);
        return S_OK;
    } catch (const RuntimeError&) {
        return E_INVALIDARG; // no such column, or no current row
    }
}

void toVariant(const QVariant& value, VARIANT* out) {
    VariantInit(out);
    if (!value.isValid()) {
        out->vt = VT_NULL;
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::QString:
        out->vt = VT_BSTR;
        out->bstrVal = toBstr(value.toString());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        out->vt = VT_R8;
        out->dblVal = value.toDouble();
        return;
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const qlonglong number = value.toLongLong();
        if (number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max()) {
            out->vt = VT_I4;
            out->lVal = static_cast<std::int32_t>(number);
        } else {
            out->vt = VT_I8;
            out->llVal = number;
        }
        return;
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        if (value.isNull()) {
            out->vt = VT_NULL;
            return;
        }
        out->vt = VT_DATE;
        out->date = toOleDate(value.metaType().id() == QMetaType::QDate ? value.toDate().startOfDay()
                                                                        : value.toDateTime());
        return;
    case QMetaType::Bool:
        out->vt = VT_BOOL;
        out->boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
        return;
    default:
        out->vt = VT_BSTR;
        out->bstrVal = toBstr(value.toString());
        return;
    }
}

} // namespace quendarx::com
