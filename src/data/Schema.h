#pragma once
// The local stock database: its plain schema, the engine functions that text statements
// (and the triggers of files made by the previous version) call, and the upgrade of such
// files.
#include <QString>
#include <QStringList>

struct sqlite3;

namespace quendarx {

// The CREATE statements of the three tables and their index (the history's tables are
// history::tablesSql).
QString localSchemaSql();
// Registers cdbl() and the conversion functions old triggers call on a connection.
void registerEngineFunctions(sqlite3* db);
// Creates a new stock database at path. Fails (returns false, reason in *error) when the
// file already exists or cannot be created.
bool createLocalDatabase(const QString& path, QString* error);

// What upgradeLocalDatabase() changed.
struct Upgrade {
    QStringList triggers;             // the triggers dropped
    bool historyAdded = false;        // the history tables, added to a file without them
    bool historyIndexDropped = false; // the index by declaration earlier versions kept on HISTORY
};
// Drops the triggers of a stock file made by the previous version (those calling the
// library's conversion functions) and the history's index by declaration (which every save
// wrote to; a declaration's listing reads the whole history instead), and adds the history
// tables when the file has none; *done says what. Fails (reason in *error) on a file that
// is not a stock database.
bool upgradeLocalDatabase(const QString& path, Upgrade* done, QString* error);

} // namespace quendarx
