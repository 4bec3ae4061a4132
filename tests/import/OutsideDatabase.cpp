#include "OutsideDatabase.h"
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace quendarx::test {

QString OutsideDatabase::typedColumns() {
    return QStringLiteral("interno varchar(20), id integer, idsub integer, idarticulo varchar(40), "
                          "ncm varchar(20), cantidad double, preciounitario double, fob double");
}

OutsideDatabase::OutsideDatabase(const QString& subItemColumns)
    : path_(dir_.filePath(QStringLiteral("outside.db"))),
      withFob_(subItemColumns.contains(QStringLiteral("fob"))) {
    exec(QStringLiteral("create table item (interno varchar(20), id integer)"));
    exec(QStringLiteral("create table groupsubitems (%1)").arg(subItemColumns));
}

QString OutsideDatabase::connectionString() const {
    return QStringLiteral("Driver=SQLite3;Database=") + path_;
}

void OutsideDatabase::exec(const QString& statement) const {
    sqlite3* db = nullptr;
    if (sqlite3_open(path_.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open the outside database");
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &err);
    std::string message = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(message + " in: " + statement.toStdString());
}

void OutsideDatabase::addItem(const QString& interno, const QString& id) const {
    exec(QStringLiteral("insert into item (interno, id) values ('%1', %2)").arg(interno, id));
}

void OutsideDatabase::addSubItem(const QString& interno, const QString& id, int idsub,
                                 const QString& idarticulo, const QString& ncm,
                                 const QString& cantidad, const QString& precio,
                                 const QString& fob) const {
    QString columns =
        QStringLiteral("interno, id, idsub, idarticulo, ncm, cantidad, preciounitario");
    QString values =
        QStringLiteral("'%1', %2, %3, %4, %5, %6, %7")
            .arg(interno, id, QString::number(idsub), idarticulo, ncm, cantidad, precio);
    if (withFob_) {
        columns += QStringLiteral(", fob");
        values += QStringLiteral(", ") + fob;
    }
    exec(QStringLiteral("insert into groupsubitems (%1) values (%2)").arg(columns, values));
}

} // namespace quendarx::test
