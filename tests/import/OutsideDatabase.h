#pragma once
// A scratch outside customs database (tables item and groupsubitems) in an SQLite file,
// reached by the library through the SQLite ODBC driver.
#include <QString>
#include <QTemporaryDir>

namespace quendarx::test {

class OutsideDatabase {
public:
    // The columns of groupsubitems as the customs system usually declares them.
    static QString typedColumns();
    // Creates the file with both tables; groupsubitems gets the columns given (a table
    // without fob, or with texts where numbers belong, stands for a foreign schema).
    explicit OutsideDatabase(const QString& subItemColumns = typedColumns());
    QString path() const { return path_; }
    QString connectionString() const;
    void exec(const QString& statement) const;

    void addItem(const QString& interno, const QString& id) const;
    // Values are SQL literals: "5", "1.5", "NULL", "'text'".
    void addSubItem(const QString& interno, const QString& id, int idsub, const QString& idarticulo,
                    const QString& ncm, const QString& cantidad, const QString& precio,
                    const QString& fob) const;

private:
    QTemporaryDir dir_;
    QString path_;
    bool withFob_;
};

} // namespace quendarx::test
