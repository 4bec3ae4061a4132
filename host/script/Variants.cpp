#include "script/Variants.h"
#include "script/Json.h"
#include <QDate>
#include <cmath>

namespace quendarx::host {

using namespace quendarx::com;

QString automationDateText(double date) {
    if (!std::isfinite(date) || std::fabs(date) > 3.0e6)
        return QString();
    double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) { // rounding reached the next midnight
        seconds -= 86400;
        whole += date < 0 ? -1 : 1;
    }
    const QDate day = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds));
    return day.toString(QStringLiteral("yyyy-MM-dd")) + u' ' + time.toString(QStringLiteral("HH:mm:ss"));
}

QString variantJson(const VARIANT& value) {
    const bool byRef = (value.vt & VT_BYREF) != 0;
    const std::uint16_t type = value.vt & ~VT_BYREF;
    if (byRef && !value.pvarVal)
        return QStringLiteral("null");
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
        return QStringLiteral("null");
    case VT_I2:
        return QString::number(byRef ? *value.piVal : value.iVal);
    case VT_I4:
        return QString::number(byRef ? *value.plVal : value.lVal);
    case VT_I8:
        return QString::number(byRef ? *reinterpret_cast<const std::int64_t*>(value.pvarVal) : value.llVal);
    case VT_R8:
        return jsonNumber(byRef ? *value.pdblVal : value.dblVal);
    case VT_DATE:
        return jsonString(automationDateText(byRef ? *value.pdblVal : value.date));
    case VT_BOOL:
        return (byRef ? *value.pboolVal : value.boolVal) ? QStringLiteral("true") : QStringLiteral("false");
    case VT_BSTR: {
        const BSTR text = byRef ? *value.pbstrVal : value.bstrVal;
        return jsonString(text ? QString::fromUtf8(text) : QString());
    }
    case VT_VARIANT:
        return byRef ? variantJson(*value.pvarVal) : QStringLiteral("null");
    default:
        return QStringLiteral("null");
    }
}

QString resultText(const VARIANT& value) {
    const std::uint16_t type = value.vt & ~VT_BYREF;
    if (type == VT_EMPTY)
        return QString();
    if (type == VT_BOOL) {
        const VARIANT_BOOL b = (value.vt & VT_BYREF) ? *value.pboolVal : value.boolVal;
        return b ? QStringLiteral("True") : QStringLiteral("False");
    }
    return variantJson(value);
}

QStringList recordsetLines(IDispatch* recordset, const ComRuntime& runtime) {
    if (!recordset)
        return {QStringLiteral("nothing")};
    IRecordset* rs = nullptr;
    if (recordset->QueryInterface(IID_IRecordset, reinterpret_cast<void**>(&rs)) != S_OK || !rs)
        return {QStringLiteral("nothing")};

    QStringList lines;
    std::int32_t fieldCount = 0;
    rs->get_FieldCount(&fieldCount);
    QStringList names;
    for (std::int32_t i = 0; i < fieldCount; ++i) {
        BSTR name = nullptr;
        rs->get_FieldName(i, &name);
        names << (name ? QString::fromUtf8(name) : QString());
        runtime.sysFreeString(name);
    }
    lines << jsonStringArray(names);

    rs->MoveFirst();
    for (;;) {
        VARIANT_BOOL eof = VARIANT_TRUE;
        if (rs->get_EOF(&eof) != S_OK || eof)
            break;
        QStringList values;
        for (const QString& name : names) {
            VARIANT value;
            runtime.variantInit(&value);
            const QByteArray utf8 = name.toUtf8();
            if (rs->get_Field(utf8.constData(), &value) == S_OK)
                values << variantJson(value);
            else
                values << QStringLiteral("null");
            runtime.variantClear(&value);
        }
        lines << jsonArray(values);
        if (rs->MoveNext() != S_OK)
            break;
    }
    rs->Release();
    return lines;
}

} // namespace quendarx::host
