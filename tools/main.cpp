// quendarx-db: creates stock databases (files or on a server), checks and mends them, runs
// statements on them with the library's engine functions, and makes sample stock and
// outside databases. One table of commands; each command reads its own arguments.
#include "DbTool.h"
#include "data/ServerSql.h"
#include "platform/Regional.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <optional>

namespace quendarx::tool {

void out(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void err(const QString& line) {
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

namespace {

std::optional<QLocale> localeNamed(const QString& name) {
    if (name == u"C" || name == u"POSIX")
        return QLocale::c();
    const QLocale locale(name);
    if (locale.language() == QLocale::C)
        return std::nullopt;
    return locale;
}

const QCommandLineOption& localeOption() {
    static const QCommandLineOption option(QStringLiteral("locale"),
                                           QStringLiteral("regional settings for numbers and dates (es_AR, en_US...)"),
                                           QStringLiteral("NAME"));
    return option;
}

const QCommandLineOption& helpOption() {
    static const QCommandLineOption option(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                           QStringLiteral("show this help and exit"));
    return option;
}

// Applies --locale; false (and the reason on standard error) for a name no locale has.
bool applyLocale(const QCommandLineParser& parser, const QString& who) {
    if (!parser.isSet(localeOption()))
        return true;
    const auto locale = localeNamed(parser.value(localeOption()));
    if (!locale) {
        err(QStringLiteral("%1: unknown locale: %2").arg(who, parser.value(localeOption())));
        return false;
    }
    Regional::setLocale(*locale);
    return true;
}

// The help of a parser: the usage line, then what it does, then the options and the
// arguments as the parser lists them.
QString helpText(const QCommandLineParser& parser, const QString& usage, const QString& description) {
    const QString listed = parser.helpText();
    const qsizetype options = listed.indexOf(QLatin1String("\nOptions:"));
    return QStringLiteral("usage: %1\n\n%2%3").arg(usage, description, listed.mid(options));
}

} // namespace

// One command's arguments: the options it declares, the positional arguments it
// expects; --help prints the command's help and exits 0, anything else that does not fit
// is refused with exit status 2. An option is never taken for a path.
std::optional<int> CommandArgs::parse(const QStringList& arguments) {
    parser.addOption(helpOption());
    parser.addOption(localeOption());
    for (const Positional& p : positionals)
        parser.addPositionalArgument(p.name, p.description);
    const QString who = QStringLiteral("quendarx-db ") + name;
    const QString usage = QStringLiteral("quendarx-db %1 [options] %2").arg(name, synopsis);
    if (!parser.parse(QStringList{who} + arguments)) {
        err(QStringLiteral("%1: %2").arg(who, parser.errorText()));
        err(QStringLiteral("usage: %1   (quendarx-db %2 --help tells more)").arg(usage, name));
        return 2;
    }
    if (parser.isSet(helpOption())) {
        std::fputs(helpText(parser, usage, description).toUtf8().constData(), stdout);
        return 0;
    }
    if (!applyLocale(parser, who))
        return 2;
    const QStringList given = parser.positionalArguments();
    if (std::size_t(given.size()) != positionals.size()) {
        err(QStringLiteral("%1: %2 argument(s) expected, %3 given").arg(who).arg(positionals.size()).arg(given.size()));
        err(QStringLiteral("usage: %1   (quendarx-db %2 --help tells more)").arg(usage, name));
        return 2;
    }
    return std::nullopt;
}

QString CommandArgs::at(qsizetype i) const { return parser.positionalArguments().at(i); }

// A location given for a file: refused (reason on standard error) when it cannot be one.
bool fileLocation(const QString& command, const QString& location) {
    const QString problem = server::notAFilePath(location);
    if (problem.isEmpty())
        return true;
    err(QStringLiteral("quendarx-db %1: %2").arg(command, problem));
    return false;
}

} // namespace quendarx::tool

namespace {

using namespace quendarx::tool;

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

const Command kCommands[] = {
    {"init", "create an empty stock database (never overwrites one)", initMain},
    {"upgrade", "bring a stock of an earlier version up to date (history tables, no triggers)", upgradeMain},
    {"check", "check a stock database's integrity and its own rules; --repair mends the quantities", checkMain},
    {"sql", "run statements on a stock database, rows '|'-separated", sqlMain},
    {"sample", "add sample declarations, articles and cancellations", sampleMain},
    {"sample-outside", "create a sample outside customs database (an SQLite file)", sampleOutsideMain},
    {"copy", "copy a whole stock between a file and a server (into an empty one)", copyMain},
    {"history", "the stock's history of saves: a table or CSV; --verify, --prune-before", historyCommand},
    {"restore", "put back what a deletion entry of the history removed", restoreCommand},
};

QString mainHelp() {
    QString text = QStringLiteral("usage: quendarx-db [--locale NAME] COMMAND [options] ARGUMENTS...\n\n"
                                  "Creates, checks, fills, queries and copies stock databases. A LOCATION is a\n"
                                  "file path or a PostgreSQL server: a postgresql:// URI or libpq's keywords\n"
                                  "(\"host=server dbname=stock user=clerk\"); give the password in ~/.pgpass\n"
                                  "(or the file PGPASSFILE names), never on the command line.\n\nCommands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(c.name).leftJustified(16), QLatin1String(c.summary));
    text += QStringLiteral("\nOptions:\n"
                           "  --locale NAME   regional settings for numbers and dates (es_AR, en_US...)\n"
                           "  -h, --help      show this help and exit\n\n"
                           "quendarx-db COMMAND --help shows what a command takes.\n");
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    parser.addOption(helpOption());
    parser.addOption(localeOption());
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("the command"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(app.arguments())) {
        err(QStringLiteral("quendarx-db: ") + parser.errorText());
        err(QStringLiteral("quendarx-db --help lists the commands"));
        return 2;
    }
    if (parser.isSet(helpOption())) {
        std::fputs(mainHelp().toUtf8().constData(), stdout);
        return 0;
    }
    if (!applyLocale(parser, QStringLiteral("quendarx-db")))
        return 2;
    QStringList rest = parser.positionalArguments();
    if (rest.isEmpty()) {
        std::fputs(mainHelp().toUtf8().constData(), stderr);
        return 2;
    }
    const QString name = rest.takeFirst();
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(rest);
    err(QStringLiteral("quendarx-db: unknown command: %1").arg(name));
    err(QStringLiteral("quendarx-db --help lists the commands"));
    return 2;
}
