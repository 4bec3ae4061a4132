#include "data/clValores.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "platform/Variants.h"
#include <QDateTime>
#include <cmath>

namespace quendarx {

namespace {

// Day 0 of the serial date numbers.
const QDateTime& serialEpoch() {
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch;
}

bool isNull(const QVariant& v) { return !v.isValid() || v.isNull(); }

QDateTime asDateTime(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}

bool isDateType(const QVariant& v) { return v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate; }

} // namespace

double clValores::Numero(const QVariant& field) const {
    if (isNull(field))
        return 0;
    if (field.typeId() == QMetaType::Bool)
        return field.toBool() ? -1 : 0;
    if (isNumberType(field.typeId()))
        return field.toDouble();
    if (isDateType(field)) {
        const QDateTime value = asDateTime(field);
        const double days = static_cast<double>(serialEpoch().date().daysTo(value.date()));
        const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
        return days < 0 ? days - fraction : days + fraction;
    }
    if (auto value = Regional::readNumber(field.toString()))
        return *value;
    raiseTypeMismatch();
}

QString clValores::Texto(const QVariant& field, int) const {
    if (isNull(field))
        return QString();
    if (field.typeId() == QMetaType::Bool)
        return field.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (field.typeId() == QMetaType::Double || field.typeId() == QMetaType::Float) {
        const double value = field.toDouble();
        if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
            return QString::number(static_cast<qlonglong>(value));
        return Regional::generalNumber(value);
    }
    if (isNumberType(field.typeId()))
        return field.toString();
    if (isDateType(field))
        return Regional::generalDate(asDateTime(field));
    return field.toString();
}

} // namespace quendarx
