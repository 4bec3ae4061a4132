#pragma once
// The rows of a query, fetched at once and read by column name. Values are null
// (an invalid QVariant), numbers (qlonglong or double), texts (QString) or, for DATE
// and DATETIME columns, dates (QDateTime).
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace quendarx {

class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList columns, std::vector<std::vector<QVariant>> rows);

    // The value of a column of the current row, matched without regard to letter case.
    // Throws RuntimeError 3265 for an unknown column, 3021 when there is no current row.
    QVariant Fields(const QString& name) const;
    bool EOF_() const { return current_ >= rows_.size(); }
    void MoveNext();
    void MoveFirst() { current_ = 0; }
    int RecordCount() const { return static_cast<int>(rows_.size()); }

    // Whether the record set holds a query result (false for a fresh or released one).
    bool isOpen() const { return open_; }
    void close();

    const QStringList& columns() const { return columns_; }
    const std::vector<std::vector<QVariant>>& rows() const { return rows_; }

private:
    QStringList columns_;
    std::vector<std::vector<QVariant>> rows_;
    std::size_t current_ = 0;
    bool open_ = false;
};

} // namespace quendarx
