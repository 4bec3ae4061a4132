#pragma once
// Reading the connection strings clConexion is given.
#include <QString>
#include <optional>

namespace quendarx {

// The database path of a "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH" string (keys
// without regard to case, parts separated by ';', blanks around keys and values ignored,
// a value may stand in double quotes). Empty when the string names no Jet provider; an
// empty path when it names the provider but no data source.
std::optional<QString> jetDataSource(const QString& connectionString);

// The database name to give Qt's ODBC driver for an ODBC connection string: the string
// itself, less a leading "DSN=" when it names no driver (the driver puts that back).
QString odbcDatabaseName(const QString& connectionString);

} // namespace quendarx
