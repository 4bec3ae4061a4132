#pragma once
// The commands of quendarx-db. Each returns the process exit code and writes its own
// messages (results to standard output, complaints to standard error).
#include <QString>
#include <QStringList>

namespace quendarx::tool {

int initCommand(const QString& path);
int upgradeCommand(const QString& path);
int sqlCommand(const QString& path, const QString& statement, bool header);
int sampleCommand(const QString& path);
int sampleOutsideCommand(const QString& path);

// The same on a stock kept on a PostgreSQL server (a postgresql:// URI), and the copy of
// a whole stock from a file or server to an empty one.
bool isServer(const QString& location);
bool serverStockMissing(const QString& uri);
// With a role name, init also makes that role (when missing) and grants it what a clerk
// needs: the stock tables in full, the history to read and append to only.
int serverInitCommand(const QString& uri, const QString& clerkRole = QString());
int serverUpgradeCommand(const QString& uri);
int serverSqlCommand(const QString& uri, const QString& statement, bool header);
int copyCommand(const QString& from, const QString& to);

// The stock's history (its own options: --declaration, --csv, --verify, --prune-before) and
// the restore of a deletion entry; each parses its own argument list.
int historyCommand(const QStringList& args);
int restoreCommand(const QStringList& args);

// Writes a line to standard output / standard error.
void out(const QString& line);
void err(const QString& line);

} // namespace quendarx::tool
