#pragma once
// The commands of quendarx-db. Each returns the process exit code and writes its own
// messages (results to standard output, complaints to standard error).
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quendarx::tool {

// What a command takes on its command line, and the parse of it.
struct CommandArgs {
    struct Positional {
        QString name;
        QString description;
    };
    QString name;                        // the command, e.g. "init"
    QString synopsis;                    // its arguments as the usage line shows them
    QString description;                 // what it does, for --help
    std::vector<Positional> positionals; // exactly these, in order
    QCommandLineParser parser;           // the command adds its own options before parse

    // Nothing when the command should go on; the exit status otherwise (0 after --help,
    // 2 for arguments that do not fit, the reason on standard error).
    std::optional<int> parse(const QStringList& arguments);
    QString at(qsizetype i) const;
};

// Whether a location given for a file can be one; the reason on standard error if not.
bool fileLocation(const QString& command, const QString& location);

// The commands as the table of main.cpp runs them: their own arguments, after the name.
int initMain(const QStringList& arguments);
int upgradeMain(const QStringList& arguments);
int checkMain(const QStringList& arguments);
int sqlMain(const QStringList& arguments);
int sampleMain(const QStringList& arguments);
int sampleOutsideMain(const QStringList& arguments);
int copyMain(const QStringList& arguments);

int initCommand(const QString& path);
int upgradeCommand(const QString& path);
int sqlCommand(const QString& path, const QString& statement, bool header);
int sampleCommand(const QString& path);
int sampleOutsideCommand(const QString& path);
int checkCommand(const QString& location, bool repair);

// The same on a stock kept on a PostgreSQL server (a postgresql:// URI or libpq's
// keywords), and the copy of a whole stock from a file or server to an empty one.
bool isServer(const QString& location);
bool serverStockMissing(const QString& uri);
// With a role name, init also makes that role (when missing) and grants it what a clerk
// needs: the stock tables in full, the history to read and append to only.
int serverInitCommand(const QString& uri, const QString& clerkRole = QString());
int serverUpgradeCommand(const QString& uri);
int serverSqlCommand(const QString& uri, const QString& statement, bool header);
int copyCommand(const QString& from, const QString& to);

// A location as messages show it: a server's without its password.
QString shownLocation(const QString& location);
// The stock's history (its own options: --declaration, --csv, --verify, --prune-before) and
// the restore of a deletion entry; each parses its own argument list.
int historyCommand(const QStringList& args);
int restoreCommand(const QStringList& args);

// Writes a line to standard output / standard error.
void out(const QString& line);
void err(const QString& line);

} // namespace quendarx::tool
