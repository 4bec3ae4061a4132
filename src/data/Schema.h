#pragma once
// The local stock database: its schema, the engine functions and triggers that teach
// SQLite the Jet habits, and opening a file with them registered.
#include <QString>

struct sqlite3;

namespace quendarx {

// The CREATE statements of the three tables, their indexes and triggers.
QString localSchemaSql();
// Registers cdbl() and the conversion functions the triggers call on a connection.
void registerEngineFunctions(sqlite3* db);
// Creates a new stock database at path. Fails (returns false, reason in *error) when the
// file already exists or cannot be created.
bool createLocalDatabase(const QString& path, QString* error);

} // namespace quendarx
