#pragma once
// Quendarx automation interface for host programs.
//
// The library is an in-process automation server: a host resolves a ProgID through the
// registry file to a class id and the library's path, loads the library, asks
// DllGetClassObject for the class factory, creates an instance and drives it through
// IDispatch (GetIDsOfNames, then Invoke with the member's dispatch id). Every argument is
// passed by reference (VT_BYREF | type), as a late-binding host does.
//
// Threading: every call must be made on the thread that owns the user interface (the
// thread that created the QApplication, or the first thread that shows a box or a screen:
// the library makes the QApplication then when the host has none). Each thread has its
// own library state shared by every instance on that thread.
//
// Windows: boxes and screens appear in any host that has a display and wait for their
// answer. Where no window can be shown (no display; a host running a QCoreApplication)
// nothing ends the host: a box goes to the log (QUENDARX_LOG, else standard error) and
// answers OK, or No to a question; Ingresar_Cancelaciones and Modificar_Articulo return
// False; Imprimir and Importar fail back with error 5; the reason is logged.
//
// Registry file: $QUENDARX_REGISTRY, else $XDG_CONFIG_HOME/quendarx/registry.ini, else
// ~/.config/quendarx/registry.ini. One section per ProgID:
//     [QuendarxDLL.clcancelMain]
//     CLSID={B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}
//     Library=/usr/lib/x86_64-linux-gnu/libquendarx.so.1
// DllRegisterServer writes both ProgIDs; DllUnregisterServer removes them.
// System-wide registrations live in /etc/quendarx/registry.ini (the Debian package writes
// them): a host that does not find a ProgID in the file above looks there, unless
// $QUENDARX_REGISTRY names the file.
//
// Members (dispatch ids):
//   clcancelMain  Ubicacion_Base_Datos 0x68030002 (put), NombreImpresora 0x68030001 (put),
//                 Numero_Interno 0x68030000 (put), Item 0x68030005 (put),
//                 Conectar_DB 0x60030003, Ingresar_Cancelaciones 0x60030004,
//                 Eliminar_Articulo 0x60030006 (BSTR*, short*, short*),
//                 Obtener_Items 0x60030007 (IDispatch** record set),
//                 Modificar_Articulo 0x60030008 (BSTR*, short*, short*),
//                 Imprimir 0x60030009, ObtenerCancelacion 0x6003000a (IDispatch**)
//   clImportar    Ubicacion_Base_Datos 0x68030004, NombreImpresora 0x68030003,
//                 Numero_Interno 0x68030002, Item 0x68030001, Base_Brevik 0x68030000
//                 (all put), Importar 0x60030005, Conectar_DB 0x60030006
// Property puts take one VT_BYREF|VT_BSTR argument. Boolean results come back as VT_BOOL.
// A failure that goes back to the host (a property put, Imprimir, Importar) is
// DISP_E_EXCEPTION with EXCEPINFO.scode = the error number and bstrDescription its text.
#include <cstdint>

namespace quendarx::com {

using HRESULT = std::int32_t;
using DISPID = std::int32_t;
using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

inline constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID CLSID_clcancelMain{0xB3D1C6E2, 0x5A41, 0x4F0B, {0x9C, 0x7E, 0x2D, 0x8A, 0x0F, 0x61, 0xC1, 0x01}};
inline constexpr GUID IID__clcancelMain{0xB3D1C6E2, 0x5A41, 0x4F0B, {0x9C, 0x7E, 0x2D, 0x8A, 0x0F, 0x61, 0xC1, 0x02}};
inline constexpr GUID CLSID_clImportar{0xB3D1C6E2, 0x5A41, 0x4F0B, {0x9C, 0x7E, 0x2D, 0x8A, 0x0F, 0x61, 0xC1, 0x03}};
inline constexpr GUID IID__clImportar{0xB3D1C6E2, 0x5A41, 0x4F0B, {0x9C, 0x7E, 0x2D, 0x8A, 0x0F, 0x61, 0xC1, 0x04}};
inline constexpr GUID IID_IRecordset{0xB3D1C6E2, 0x5A41, 0x4F0B, {0x9C, 0x7E, 0x2D, 0x8A, 0x0F, 0x61, 0xC1, 0x05}};

enum VARENUM : std::uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_DATE = 7, // days since 1899-12-30, fraction = time of day
    VT_BSTR = 8, // UTF-8 text allocated by SysAllocString
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I8 = 20,
    VT_BYREF = 0x4000,
};

using BSTR = char*;

struct IUnknown;
struct IDispatch;

struct VARIANT {
    std::uint16_t vt;
    std::uint16_t reserved;
    union {
        std::int16_t iVal;
        std::int32_t lVal;
        std::int64_t llVal;
        double dblVal;
        double date;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        std::int16_t* piVal;
        std::int32_t* plVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        BSTR* pbstrVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
    };
};

// Arguments in reverse order (the last argument first), as IDispatch::Invoke takes them.
struct DISPPARAMS {
    VARIANT* rgvarg;
    DISPID* rgdispidNamedArgs;
    std::uint32_t cArgs;
    std::uint32_t cNamedArgs;
};

struct EXCEPINFO {
    std::uint16_t wCode;
    BSTR bstrSource;
    BSTR bstrDescription;
    std::int32_t scode; // the error number
};

enum : std::uint16_t {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
    DISPATCH_PROPERTYPUTREF = 8,
};
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;

struct IUnknown {
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IDispatch : IUnknown {
    // names[0] is the member name; ids[0] receives its dispatch id.
    virtual HRESULT GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                           std::uint32_t* argError) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) = 0;
    virtual HRESULT LockServer(VARIANT_BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// The record set handed to the host (p_Rs), shaped as the ADO record set hosts of the
// original platform were written against. Through IDispatch (by name or dispatch id):
//   Record set  Fields            DISPID_VALUE  Fields(x) is Fields.Item(x): a Field, x a
//                                               column name (any letter case) or a 0-based
//                                               index; Fields without an argument is the
//                                               Fields collection. Being the default member,
//                                               rs("ARTCDS") is rs.Fields("ARTCDS").
//               RecordCount 1, EOF 2, MoveNext 3, MoveFirst 4,
//               FieldCount 5, FieldName 6 (0-based index -> column name)
//   Fields      Item              DISPID_VALUE  Item(x): a Field, x as above
//               Count             1             the number of columns
//   Field       Value             DISPID_VALUE  the current row's value (VT_NULL, VT_I4 or
//                                               VT_I8, VT_R8, VT_BSTR, VT_DATE)
//               Name              1             the column name as the statement spells it
//               Type              2             adInteger, adBigInt, adDouble, adDate,
//                                               adBoolean, adLongVarBinary or adVarWChar,
//                                               from the column's first value that is not
//                                               null (a column of nulls only is adVarWChar)
// A Field reads the row that is current when its Value is asked, so a Field taken once
// follows MoveNext. So a late-binding host reads rs.Fields("ARTCDS").Value,
// rs("ARTCDS") (default members: rs -> Fields -> Item -> Value), rs.Fields.Count,
// rs.Fields(0).Name and rs.Fields.Item(i).Value.
// Failures come back as DISP_E_EXCEPTION with EXCEPINFO.scode: 3265 for a column that is
// not there (name or index), 3021 for Value or MoveNext past the end (EOF True).
// C++ hosts may skip the objects: IRecordset below reads a value in one call.
inline constexpr DISPID DISPID_RS_FIELDS = DISPID_VALUE;
inline constexpr DISPID DISPID_RS_RECORDCOUNT = 1;
inline constexpr DISPID DISPID_RS_EOF = 2;
inline constexpr DISPID DISPID_RS_MOVENEXT = 3;
inline constexpr DISPID DISPID_RS_MOVEFIRST = 4;
inline constexpr DISPID DISPID_RS_FIELDCOUNT = 5;
inline constexpr DISPID DISPID_RS_FIELDNAME = 6;
inline constexpr DISPID DISPID_FIELDS_ITEM = DISPID_VALUE;
inline constexpr DISPID DISPID_FIELDS_COUNT = 1;
inline constexpr DISPID DISPID_FIELD_VALUE = DISPID_VALUE;
inline constexpr DISPID DISPID_FIELD_NAME = 1;
inline constexpr DISPID DISPID_FIELD_TYPE = 2;

// Field.Type values (the ADO DataTypeEnum numbers).
enum : std::int32_t {
    adInteger = 3,
    adDouble = 5,
    adDate = 7,
    adBoolean = 11,
    adBigInt = 20,
    adVarWChar = 202,
    adLongVarBinary = 205,
};

// The record set's own interface for C++ hosts (QueryInterface IID_IRecordset).
struct IRecordset : IDispatch {
    virtual HRESULT get_RecordCount(std::int32_t* count) = 0;
    virtual HRESULT get_EOF(VARIANT_BOOL* eof) = 0;
    virtual HRESULT MoveNext() = 0; // E_FAIL past the end
    virtual HRESULT MoveFirst() = 0;
    virtual HRESULT get_FieldCount(std::int32_t* count) = 0;
    virtual HRESULT get_FieldName(std::int32_t index, BSTR* name) = 0;
    // The current row's value of a column (VT_NULL, VT_I4/VT_I8, VT_R8, VT_BSTR, VT_DATE);
    // E_INVALIDARG for a column that is not there or past the end.
    virtual HRESULT get_Field(const char* name, VARIANT* value) = 0;

protected:
    ~IRecordset() = default;
};

} // namespace quendarx::com

extern "C" {
quendarx::com::HRESULT DllRegisterServer();
quendarx::com::HRESULT DllUnregisterServer();
quendarx::com::HRESULT DllGetClassObject(const quendarx::com::GUID* clsid, const quendarx::com::GUID* iid,
                                         void** object);
// S_OK when no object and no server lock is alive, else S_FALSE.
quendarx::com::HRESULT DllCanUnloadNow();

quendarx::com::BSTR SysAllocString(const char* utf8);
void SysFreeString(quendarx::com::BSTR text);
void VariantInit(quendarx::com::VARIANT* value);
// Frees what the variant owns (a BSTR, a reference) and leaves it VT_EMPTY.
quendarx::com::HRESULT VariantClear(quendarx::com::VARIANT* value);
}
