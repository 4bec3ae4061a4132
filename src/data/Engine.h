#pragma once
// One open connection of clConexion: the embedded SQLite engine or an ODBC data source.
#include "data/Recordset.h"
#include <QString>
#include <memory>
#include <optional>

namespace quendarx {

class Engine {
public:
    virtual ~Engine() = default;
    // The rows of a query; false with the engine's reason in *error when it failed.
    virtual bool query(const QString& sql, Recordset& rs, QString* error) = 0;
    // The number of rows a command changed (-1 when the engine cannot tell); empty with the
    // reason in *error when it failed.
    virtual std::optional<int> execute(const QString& sql, QString* error) = 0;
};

// Opens a local stock database file. Never creates it. Throws RuntimeError when the file
// is missing, is no database or lacks one of the three tables.
std::unique_ptr<Engine> openLocalEngine(const QString& path);
// Opens an ODBC connection string. Throws RuntimeError with the driver's reason.
std::unique_ptr<Engine> openOdbcEngine(const QString& connectionString);

} // namespace quendarx
