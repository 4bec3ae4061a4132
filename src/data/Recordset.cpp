#include "data/Recordset.h"
#include "platform/RuntimeError.h"

namespace quendarx {

Recordset::Recordset(QStringList columns, std::vector<std::vector<QVariant>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)), open_(true) {}

QVariant Recordset::Fields(const QString& name) const {
    qsizetype column = -1;
    // Letter case folds one unit to one unit: names of other lengths never match, and are
    // passed over without the slower comparison.
    for (qsizetype i = 0; i < columns_.size() && column < 0; ++i)
        if (columns_[i].size() == name.size() && columns_[i].compare(name, Qt::CaseInsensitive) == 0)
            column = i;
    if (column < 0)
        throw RuntimeError(StandardError::ItemNotFound, name, QStringLiteral("Recordset"));
    if (current_ >= rows_.size())
        throw RuntimeError(StandardError::NoCurrentRecord, name, QStringLiteral("Recordset"));
    return rows_[current_][static_cast<std::size_t>(column)];
}

void Recordset::MoveNext() {
    if (current_ < rows_.size())
        ++current_;
}

void Recordset::close() {
    columns_.clear();
    rows_.clear();
    current_ = 0;
    open_ = false;
}

} // namespace quendarx
