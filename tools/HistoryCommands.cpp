// history and restore: the stock's history read as a table or as CSV, verified, pruned,
// and a deletion put back. Each command parses its own arguments.
#include "DbTool.h"
#include "data/Engine.h"
#include "data/History.h"
#include "data/ServerEngine.h"
#include "data/ServerSql.h"
#include "platform/RuntimeError.h"
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <memory>

namespace quendarx::tool {

namespace {

std::unique_ptr<Engine> openHistory(const QString& location) {
    const bool onServer = isServer(location);
    if (!onServer && !QFileInfo(location).isFile())
        throw RuntimeError(errDatabase, QStringLiteral("no such database file: %1").arg(location));
    std::unique_ptr<Engine> engine = onServer ? openServerEngine(location) : openLocalEngine(location);
    if (!history::present(*engine))
        throw RuntimeError(
            errDatabase,
            QStringLiteral("%1 has no history (quendarx-db upgrade adds it)").arg(shownLocation(location)));
    return engine;
}

QString quantityText(const std::optional<double>& value) {
    return value ? QLocale::c().toString(*value, 'f', QLocale::FloatingPointShortest) : QString();
}

QString wholeText(const std::optional<qint64>& value) { return value ? QString::number(*value) : QString(); }

QStringList cells(const history::Entry& e) {
    return {QString::number(e.number),
            e.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            e.user,
            e.workstation,
            e.operation,
            e.intndc,
            wholeText(e.artino),
            wholeText(e.artsno),
            e.extnro,
            wholeText(e.extitm),
            quantityText(e.before),
            quantityText(e.after)};
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void printTable(const std::vector<history::Entry>& entries) {
    const QStringList header{"entry", "when",    "user",   "workstation", "operation", "declaration",
                             "item",  "subitem", "export", "export item", "before",    "after"};
    std::vector<QStringList> rows{header};
    for (const history::Entry& e : entries)
        rows.push_back(cells(e));
    std::vector<qsizetype> widths(std::size_t(header.size()), 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], row[i].size());
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += (i ? QStringLiteral("  ") : QString()) + row[i].leftJustified(widths[std::size_t(i)]);
        out(line.trimmed());
    }
}

} // namespace

int historyCommand(const QStringList& args) {
    CommandArgs a;
    a.name = QStringLiteral("history");
    a.synopsis = QStringLiteral("[--declaration CODE] [--csv] [--verify] [--prune-before DATE] LOCATION");
    a.description = QStringLiteral("The stock's history, oldest entry first: who saved what, where and when.\n"
                                   "--verify checks the digest chain and names the first entry changed, removed or\n"
                                   "moved; --prune-before removes the entries older than DATE and records it.\n");
    a.positionals = {{QStringLiteral("LOCATION"), QStringLiteral("the stock file or server")}};
    QCommandLineParser& parser = a.parser;
    parser.addOption(
        {QStringLiteral("declaration"), QStringLiteral("only the entries of one declaration"), QStringLiteral("CODE")});
    parser.addOption({QStringLiteral("csv"), QStringLiteral("CSV with a header line, for a spreadsheet")});
    parser.addOption({QStringLiteral("verify"),
                      QStringLiteral("check the digest chain; names the first entry changed, removed or moved")});
    parser.addOption({QStringLiteral("prune-before"),
                      QStringLiteral("remove the entries older than DATE (YYYY-MM-DD), recording the pruning"),
                      QStringLiteral("DATE")});
    if (const auto done = a.parse(args))
        return *done;
    if (!isServer(a.at(0)) && !fileLocation(a.name, a.at(0)))
        return 1;
    const QString location = parser.positionalArguments().front();
    try {
        std::unique_ptr<Engine> engine = openHistory(location);
        QString error;
        if (parser.isSet(QStringLiteral("prune-before"))) {
            const QDate date = QDate::fromString(parser.value(QStringLiteral("prune-before")), Qt::ISODate);
            if (!date.isValid()) {
                err(QStringLiteral("quendarx-db history: --prune-before wants a date YYYY-MM-DD"));
                return 2;
            }
            int removed = 0;
            const QString refusal = history::prune(*engine, QDateTime(date, QTime(0, 0)), &removed);
            if (!refusal.isEmpty()) {
                err(QStringLiteral("quendarx-db history: ") + refusal);
                return 1;
            }
            out(QStringLiteral("removed %1 entries recorded before %2").arg(removed).arg(date.toString(Qt::ISODate)));
            return 0;
        }
        if (parser.isSet(QStringLiteral("verify"))) {
            const auto entries = history::read(*engine, QString(), true, &error);
            if (!entries)
                throw RuntimeError(errDatabase, error);
            const history::Verdict verdict = history::verify(*entries);
            if (!verdict.intact) {
                err(QStringLiteral("quendarx-db history: %1").arg(verdict.reason));
                return 1;
            }
            if (entries->empty())
                out(QStringLiteral("the history is empty"));
            else
                out(QStringLiteral("%1 entries, entries %2 to %3 each whole and in order; the last digest is %4")
                        .arg(entries->size())
                        .arg(entries->front().number)
                        .arg(entries->back().number)
                        .arg(entries->back().digest));
            return 0;
        }
        const auto entries = history::read(*engine, parser.value(QStringLiteral("declaration")), false, &error);
        if (!entries)
            throw RuntimeError(errDatabase, error);
        if (parser.isSet(QStringLiteral("csv"))) {
            out(QStringLiteral("entry,when,user,workstation,operation,declaration,item,subitem,export_declaration,"
                               "export_item,quantity_before,quantity_after"));
            for (const history::Entry& e : *entries) {
                QStringList fields;
                for (const QString& cell : cells(e))
                    fields << csvField(cell);
                out(fields.join(QLatin1Char(',')));
            }
        } else {
            printTable(*entries);
        }
        return 0;
    } catch (const RuntimeError& e) {
        err(QStringLiteral("quendarx-db history: %1").arg(e.description));
        return 1;
    }
}

int restoreCommand(const QStringList& args) {
    CommandArgs a;
    a.name = QStringLiteral("restore");
    a.synopsis = QStringLiteral("LOCATION ENTRY");
    a.description = QStringLiteral("Puts back what a deletion entry of the history removed, in one transaction, and\n"
                                   "records it. Refuses an entry that is no deletion, one already restored, and one\n"
                                   "whose rows would collide with rows there now.\n");
    a.positionals = {{QStringLiteral("LOCATION"), QStringLiteral("the stock file or server")},
                     {QStringLiteral("ENTRY"), QStringLiteral("the number of the deletion entry")}};
    if (const auto done = a.parse(args))
        return *done;
    const QStringList positional = a.parser.positionalArguments();
    bool number = false;
    const qint64 entry = positional[1].toLongLong(&number);
    if (!number) {
        err(QStringLiteral("quendarx-db restore: ENTRY is an entry number (see --help)"));
        return 2;
    }
    if (!isServer(positional[0]) && !fileLocation(a.name, positional[0]))
        return 1;
    try {
        std::unique_ptr<Engine> engine = openHistory(positional[0]);
        history::Entry recorded;
        const QString refusal = history::restore(*engine, entry, &recorded);
        if (!refusal.isEmpty()) {
            err(QStringLiteral("quendarx-db restore: ") + refusal);
            return 1;
        }
        out(QStringLiteral("restored entry %1 (%2): recorded as entry %3")
                .arg(entry)
                .arg(recorded.note)
                .arg(recorded.number));
        return 0;
    } catch (const RuntimeError& e) {
        err(QStringLiteral("quendarx-db restore: %1").arg(e.description));
        return 1;
    }
}

} // namespace quendarx::tool
