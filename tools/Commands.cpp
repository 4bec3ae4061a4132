// The command lines of quendarx-db's commands: what each takes, its help, and whether a
// location is a file or a server.
#include "DbTool.h"
#include "data/ServerSql.h"

namespace quendarx::tool {

namespace {

const QString kLocation = QStringLiteral(
    "a stock file, or a PostgreSQL server: a postgresql:// URI or libpq's keywords "
    "(\"host=server dbname=stock user=clerk\"); the password goes in ~/.pgpass");

QString moreOnServers() {
    return QStringLiteral("A password never belongs on the command line (any user sees it with ps): put it in\n"
                          "~/.pgpass, or in the file PGPASSFILE names.\n");
}

} // namespace

QString shownLocation(const QString& location) { return server::withoutPassword(location); }

int initMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("init");
    a.synopsis = QStringLiteral("LOCATION");
    a.description = QStringLiteral("Creates an empty stock database. A file is created only when no file of that name\n"
                                   "exists; on a server the database must exist and hold no stock tables yet (init\n"
                                   "creates them, and the citext extension when it is missing).\n") +
                    moreOnServers();
    a.positionals = {{QStringLiteral("LOCATION"), kLocation}};
    const QCommandLineOption clerkRole(QStringLiteral("clerk-role"),
                                       QStringLiteral("on a server, also a role for clerks: the stock in full, the "
                                                      "history to read and append to only"),
                                       QStringLiteral("NAME"));
    a.parser.addOption(clerkRole);
    if (auto status = a.parse(arguments))
        return *status;
    const QString location = a.at(0);
    if (isServer(location))
        return serverInitCommand(location, a.parser.value(clerkRole));
    if (a.parser.isSet(clerkRole)) {
        err(QStringLiteral("quendarx-db init: --clerk-role is for a stock on a server"));
        return 2;
    }
    return fileLocation(a.name, location) ? initCommand(location) : 1;
}

int upgradeMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("upgrade");
    a.synopsis = QStringLiteral("LOCATION");
    a.description = QStringLiteral("Brings a stock of an earlier version up to date: drops the triggers a stock file\n"
                                   "of the previous version carries, naming each one, so that any SQLite client can\n"
                                   "write to it, adds the history tables when they are missing and drops the\n"
                                   "history's index by declaration of earlier versions (on a file or a server).\n"
                                   "Refuses a database that is not a stock. Run it while no program has the stock\n"
                                   "open.\n");
    a.positionals = {{QStringLiteral("LOCATION"), kLocation}};
    if (auto status = a.parse(arguments))
        return *status;
    const QString location = a.at(0);
    if (isServer(location))
        return serverUpgradeCommand(location);
    return fileLocation(a.name, location) ? upgradeCommand(location) : 1;
}

int checkMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("check");
    a.synopsis = QStringLiteral("[--repair] LOCATION");
    a.description = QStringLiteral(
        "Checks a stock database: the file's integrity, and the stock's own rules: every\n"
        "article's available quantity (ARTDSC) is its total (ARTCAN) less its cancellations,\n"
        "none is below zero, line numbers are unique within an export item, and every\n"
        "cancellation has its article. Exits 0 when all hold; otherwise lists each problem\n"
        "and exits 1.\n"
        "--repair recomputes every available quantity from the cancellations, in one\n"
        "transaction, and lists what it changed; the other problems it lists for a person\n"
        "to mend. Run it while no clerk is saving.\n");
    a.positionals = {{QStringLiteral("LOCATION"), kLocation}};
    const QCommandLineOption repair(QStringLiteral("repair"), QStringLiteral("recompute the available quantities"));
    a.parser.addOption(repair);
    if (auto status = a.parse(arguments))
        return *status;
    const QString location = a.at(0);
    if (!isServer(location) && !fileLocation(a.name, location))
        return 1;
    return checkCommand(location, a.parser.isSet(repair));
}

int sqlMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("sql");
    a.synopsis = QStringLiteral("[--header] LOCATION STATEMENTS");
    a.description = QStringLiteral("Runs statements (one or several, ';'-separated) on a stock database as they are\n"
                                   "written and prints the rows, '|'-separated, NULL for a null; the number of rows\n"
                                   "a command changed goes to standard error. On a file and on a server, cdbl(TEXT)\n"
                                   "reads a number written under the regional settings (--locale).\n");
    a.positionals = {{QStringLiteral("LOCATION"), kLocation},
                     {QStringLiteral("STATEMENTS"), QStringLiteral("the SQL to run")}};
    const QCommandLineOption header(QStringLiteral("header"), QStringLiteral("print the column names first"));
    a.parser.addOption(header);
    if (auto status = a.parse(arguments))
        return *status;
    const QString location = a.at(0);
    if (isServer(location))
        return serverSqlCommand(location, a.at(1), a.parser.isSet(header));
    return fileLocation(a.name, location) ? sqlCommand(location, a.at(1), a.parser.isSet(header)) : 1;
}

int sampleMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("sample");
    a.synopsis = QStringLiteral("LOCATION");
    a.description = QStringLiteral(
        "Adds sample declarations, articles and cancellations to a stock database (creating\n"
        "the file, or the tables on a server, first when they are not there).\n");
    a.positionals = {{QStringLiteral("LOCATION"), kLocation}};
    if (auto status = a.parse(arguments))
        return *status;
    const QString location = a.at(0);
    if (!isServer(location) && !fileLocation(a.name, location))
        return 1;
    return sampleCommand(location);
}

int sampleOutsideMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("sample-outside");
    a.synopsis = QStringLiteral("FILE");
    a.description = QStringLiteral("Creates a sample outside customs database: an SQLite file for the ODBC connection\n"
                                   "string Driver=SQLite3;Database=FILE. Never overwrites a file.\n");
    a.positionals = {{QStringLiteral("FILE"), QStringLiteral("the file to create")}};
    if (auto status = a.parse(arguments))
        return *status;
    return fileLocation(a.name, a.at(0)) ? sampleOutsideCommand(a.at(0)) : 1;
}

int copyMain(const QStringList& arguments) {
    CommandArgs a;
    a.name = QStringLiteral("copy");
    a.synopsis = QStringLiteral("FROM TO");
    a.description = QStringLiteral(
                        "Copies a whole stock (all three tables and its history, values unchanged, in one\n"
                        "transaction) from a file to a server, a server to a file, or between two of either.\n"
                        "TO must hold no rows, and have the history tables when FROM has a history; a file\n"
                        "TO is created when missing, the tables on a server TO too.\n") +
                    moreOnServers();
    a.positionals = {{QStringLiteral("FROM"), kLocation}, {QStringLiteral("TO"), kLocation}};
    if (auto status = a.parse(arguments))
        return *status;
    for (qsizetype i = 0; i < 2; ++i)
        if (!isServer(a.at(i)) && !fileLocation(a.name, a.at(i)))
            return 1;
    return copyCommand(a.at(0), a.at(1));
}

} // namespace quendarx::tool
