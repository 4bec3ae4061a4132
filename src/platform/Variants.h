#pragma once
// What kind of value a variant holds, as the data and printing layers tell them apart.
#include <QMetaType>

namespace quendarx {

inline bool isWholeNumberType(int typeId) {
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

inline bool isNumberType(int typeId) {
    return isWholeNumberType(typeId) || typeId == QMetaType::Double || typeId == QMetaType::Float;
}

} // namespace quendarx
