// quendarx-db: creates stock databases (files or on a server), runs statements on them with the library's
// engine functions, and makes sample stock and outside databases.
#include "DbTool.h"
#include "platform/Regional.h"
#include <QCoreApplication>
#include <QStringList>
#include <clocale>
#include <cstdio>

namespace quendarx::tool {

void out(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void err(const QString& line) {
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

} // namespace quendarx::tool

namespace {

const char* const kUsage = "usage: quendarx-db [--locale NAME] COMMAND ...\n"
                           "  init PATH                 create an empty stock database (never overwrites)\n"
                           "  upgrade PATH              drop the triggers a stock database of the previous version\n"
                           "                            carries, leaving plain tables any SQLite client writes\n"
                           "  sql [--header] PATH SQL   run statements on a stock database, rows '|'-separated\n"
                           "  sample PATH               add sample declarations, articles and cancellations\n"
                           "                            (creates PATH first when it does not exist)\n"
                           "  sample-outside PATH       create a sample outside customs database (SQLite file for\n"
                           "                            the ODBC connection string Driver=SQLite3;Database=PATH)\n"
                           "  copy FROM TO              copy a whole stock between a file and a server (TO empty)\n"
                           "  history LOCATION [--declaration CODE] [--csv] [--verify] [--prune-before DATE]\n"
                           "                            the stock's history of saves (history --help)\n"
                           "  restore LOCATION ENTRY    put back what a deletion entry of the history removed\n"
                           "  init URI --clerk-role NAME  also a role for clerks: stock in full, history append-only\n"
                           "  A PATH may be a postgresql:// URI: the stock on a PostgreSQL server (init, upgrade,\n"
                           "  sql, sample, copy, history and restore)\n"
                           "  --locale NAME             regional settings for numbers and dates (es_AR, en_US...)\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QStringList args = app.arguments().mid(1);
    using namespace quendarx;

    if (args.size() >= 2 && args[0] == QLatin1String("--locale")) {
        Regional::setLocale(QLocale(args[1]));
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("init") && args.size() == 1)
        return tool::isServer(args[0]) ? tool::serverInitCommand(args[0]) : tool::initCommand(args[0]);
    if (command == QLatin1String("init") && args.size() == 3 && args[1] == QLatin1String("--clerk-role") &&
        tool::isServer(args[0]))
        return tool::serverInitCommand(args[0], args[2]);
    if (command == QLatin1String("history"))
        return tool::historyCommand(args);
    if (command == QLatin1String("restore"))
        return tool::restoreCommand(args);
    if (command == QLatin1String("copy") && args.size() == 2)
        return tool::copyCommand(args[0], args[1]);
    if (command == QLatin1String("upgrade") && args.size() == 1)
        return tool::isServer(args[0]) ? tool::serverUpgradeCommand(args[0]) : tool::upgradeCommand(args[0]);
    if (command == QLatin1String("sql")) {
        const bool header = !args.isEmpty() && args[0] == QLatin1String("--header");
        if (header)
            args.removeFirst();
        if (args.size() == 2)
            return tool::isServer(args[0]) ? tool::serverSqlCommand(args[0], args[1], header)
                                           : tool::sqlCommand(args[0], args[1], header);
    }
    if (command == QLatin1String("sample") && args.size() == 1)
        return tool::sampleCommand(args[0]);
    if (command == QLatin1String("sample-outside") && args.size() == 1)
        return tool::sampleOutsideCommand(args[0]);
    return usage();
}
