#pragma once
// The value-conversion component: a record-set field as a plain number or text.
#include <QString>
#include <QVariant>

namespace quendarx {

class clValores {
public:
    // Null -> 0; a number -> itself; a text that reads as a number -> its value; a date
    // -> its serial day number; any other text raises RuntimeError 13.
    double Numero(const QVariant& field) const;
    // Null -> ""; a number -> its general text (plain digits for whole numbers); a date
    // -> its general date text; a text -> itself. n is always 0.
    QString Texto(const QVariant& field, int n = 0) const;
};

} // namespace quendarx
