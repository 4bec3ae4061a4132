// init, sql and sample on a stock kept on a PostgreSQL server, and copy of a whole stock
// between a file and a server.
#include "DbTool.h"
#include "cancellations/StockCheck.h"
#include "data/Engine.h"
#include "data/History.h"
#include "data/Schema.h"
#include "data/ServerEngine.h"
#include "data/ServerSql.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <libpq-fe.h>
#include <memory>

namespace quendarx::tool {

namespace {

// A plain connection for the tool's own work (no stock tables needed yet).
class Connection {
public:
    explicit Connection(const QString& uri) : uri_(uri) {
        const QByteArray dbname = server::libpqLocation(uri).toUtf8();
        const char* const keywords[] = {"connect_timeout", "application_name", "client_encoding", "dbname", nullptr};
        const char* const values[] = {"5", "quendarx-db", "UTF8", dbname.constData(), nullptr};
        conn_ = PQconnectdbParams(keywords, values, 1);
    }
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    bool ok() const { return conn_ && PQstatus(conn_) == CONNECTION_OK; }
    QString error() const { return server::hidePasswords(QString::fromUtf8(PQerrorMessage(conn_)).trimmed(), uri_); }
    PGconn* get() const { return conn_; }

    // Runs one or more statements; every result set goes to standard output ('|'-separated,
    // the hidden insertion-order column left out). False (reason on standard error) when
    // one failed.
    bool run(const QString& statements, bool header) {
        if (!PQsendQuery(conn_, statements.toUtf8().constData())) {
            err(QStringLiteral("quendarx-db: ") + error());
            return false;
        }
        bool ok = true;
        while (PGresult* r = PQgetResult(conn_)) {
            const ExecStatusType status = PQresultStatus(r);
            if (status == PGRES_TUPLES_OK) {
                std::vector<int> shown;
                QStringList names;
                for (int i = 0; i < PQnfields(r); ++i)
                    if (QByteArray(PQfname(r, i)) != server::kRowColumn) {
                        shown.push_back(i);
                        names << QString::fromUtf8(PQfname(r, i));
                    }
                if (header)
                    out(server::spelledColumns(statements, names).join(QLatin1Char('|')));
                for (int row = 0; row < PQntuples(r); ++row) {
                    QStringList cells;
                    for (int i : shown)
                        cells << (PQgetisnull(r, row, i) ? QStringLiteral("NULL")
                                                         : QString::fromUtf8(PQgetvalue(r, row, i)));
                    out(cells.join(QLatin1Char('|')));
                }
            } else if (status == PGRES_COMMAND_OK) {
                if (*PQcmdTuples(r))
                    err(QStringLiteral("%1 row(s) changed").arg(QString::fromUtf8(PQcmdTuples(r))));
            } else if (ok) {
                err(QStringLiteral("quendarx-db: ") + QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
                ok = false;
            }
            PQclear(r);
        }
        return ok;
    }

private:
    QString uri_;
    PGconn* conn_ = nullptr;
};

// Whether the stock tables exist on the server: all three, none, or (empty) some.
int stockTables(Connection& c) {
    PGresult* r = PQexec(c.get(), "select (to_regclass('operaciones') is not null)::int + "
                                  "(to_regclass('articulos') is not null)::int + "
                                  "(to_regclass('cancelaciones') is not null)::int");
    const int n = PQresultStatus(r) == PGRES_TUPLES_OK ? QByteArray(PQgetvalue(r, 0, 0)).toInt() : -1;
    PQclear(r);
    return n;
}

// What a clerk's role may do: the stock tables in full, the history only read and
// appended to (no update, no delete: pruning is the owner's).
QString clerkGrants(const QString& role) {
    return QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1') THEN "
                          "CREATE ROLE \"%1\" NOLOGIN; END IF; END $$;\n"
                          "GRANT SELECT, INSERT, UPDATE, DELETE ON OPERACIONES, ARTICULOS, CANCELACIONES TO \"%1\";\n"
                          "GRANT SELECT, INSERT ON HISTORY, HISTORY_ROWS TO \"%1\";")
        .arg(role);
}

bool initServer(const QString& uri, const QString& clerkRole, QString* error) {
    Connection c(uri);
    if (!c.ok()) {
        *error = c.error();
        return false;
    }
    if (stockTables(c) != 0) {
        *error = QStringLiteral("%1 already holds stock tables").arg(server::withoutPassword(uri));
        return false;
    }
    // A role name is an identifier, never anything that would change the statements.
    if (!clerkRole.isEmpty() &&
        !QRegularExpression(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$")).match(clerkRole).hasMatch()) {
        *error = QStringLiteral("a clerk role is a name of lower-case letters, digits and '_': %1").arg(clerkRole);
        return false;
    }
    const QString grants = clerkRole.isEmpty() ? QString() : clerkGrants(clerkRole) + u'\n';
    PGresult* r = PQexec(c.get(), ("BEGIN;\n" + serverSchemaSql() + u'\n' + grants + "COMMIT;").toUtf8().constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok) {
        *error = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        PQclear(PQexec(c.get(), "ROLLBACK"));
    }
    PQclear(r);
    return ok;
}

struct Table {
    const char* name;
    QStringList columns;
    const char* order = nullptr;   // by its key; else in the order the rows went in
    const char* counted = nullptr; // its rows in the summary; else its name in lowercase ("" not at all)
};

const std::vector<Table>& stockColumns() {
    static const std::vector<Table> tables = {
        {"OPERACIONES", {"NUMERO", "INTNDC", "INTDSC", "INTFOF"}},
        {"ARTICULOS", {"ARTNRO", "INTNDC", "ARTINO", "ARTSNO", "ARTNCM", "ARTCAN", "ARTUNI", "ARTFOB", "ARTDSC"}},
        {"CANCELACIONES",
         {"LINORD", "INTNDC", "ARTINO", "ARTSNO", "ARTCDS", "ARTEXP", "ARTCER", "ARTVEN", "ARTORD", "EXTNRO", "EXTITM",
          "EXTFDC"}},
    };
    return tables;
}

// The history's tables, copied as they were written so that the chain verifies on the copy.
const std::vector<Table>& historyColumns() {
    static const std::vector<Table> tables = {
        {"HISTORY",
         {"ENTRY", "STAMP", "USERNAME", "WORKSTATION", "OPERATION", "INTNDC", "ARTINO", "ARTSNO", "EXTNRO", "EXTITM",
          "QUANTITY_BEFORE", "QUANTITY_AFTER", "REF", "NOTE", "PREVIOUS", "DIGEST"},
         "ENTRY",
         "history entries"},
        {"HISTORY_ROWS", {"ENTRY", "SEQ", "TABLE_NAME", "ROW_DATA"}, "ENTRY, SEQ", ""},
    };
    return tables;
}

std::unique_ptr<Engine> openStock(const QString& location) {
    return server::isServerLocation(location) ? openServerEngine(location) : openLocalEngine(location);
}

// A stored date as the file keeps it: the day alone for a declaration date at midnight.
QVariant storedValue(const QVariant& value, const QString& column) {
    if (value.metaType().id() != QMetaType::QDateTime)
        return value;
    const QDateTime when = value.toDateTime();
    const bool dayOnly = column == QLatin1String("INTFOF") && when.time() == QTime(0, 0);
    return when.toString(dayOnly ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

bool isServer(const QString& location) { return server::isServerLocation(location); }

int serverInitCommand(const QString& uri, const QString& clerkRole) {
    QString error;
    if (!initServer(uri, clerkRole, &error)) {
        err(QStringLiteral("quendarx-db: ") + error);
        return 1;
    }
    out(QStringLiteral("created stock tables on %1").arg(server::withoutPassword(uri)));
    if (!clerkRole.isEmpty())
        out(QStringLiteral("role %1 may change the stock and append to its history").arg(clerkRole));
    return 0;
}

int serverUpgradeCommand(const QString& uri) {
    Connection c(uri);
    if (!c.ok()) {
        err(QStringLiteral("quendarx-db: ") + c.error());
        return 1;
    }
    if (stockTables(c) != 3) {
        err(QStringLiteral("quendarx-db: %1 is not a stock database").arg(server::withoutPassword(uri)));
        return 1;
    }
    PGresult* present = PQexec(c.get(), "select (to_regclass('history') is not null)::int + "
                                        "(to_regclass('history_rows') is not null)::int, "
                                        "(to_regclass('history_intndc') is not null)::int");
    const bool read = PQresultStatus(present) == PGRES_TUPLES_OK;
    const int tables = read ? QByteArray(PQgetvalue(present, 0, 0)).toInt() : -1;
    const bool index = read && QByteArray(PQgetvalue(present, 0, 1)).toInt() == 1;
    PQclear(present);
    if (tables != 0 && !index) {
        out(QStringLiteral("%1 already has its history: nothing to do").arg(server::withoutPassword(uri)));
        return 0;
    }
    // The index by declaration of earlier versions, which every save wrote to, goes.
    const QString script = tables == 0 ? history::tablesSql(true) : QStringLiteral("DROP INDEX history_intndc;");
    PGresult* r = PQexec(c.get(), ("BEGIN;\n" + script + "\nCOMMIT;").toUtf8().constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok) {
        err(QStringLiteral("quendarx-db: ") + QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
        PQclear(PQexec(c.get(), "ROLLBACK"));
    }
    PQclear(r);
    if (ok && tables == 0)
        out(QStringLiteral("added the history tables to %1").arg(server::withoutPassword(uri)));
    else if (ok)
        out(QStringLiteral("dropped index HISTORY_INTNDC: saves no longer write to it"));
    return ok ? 0 : 1;
}

int serverSqlCommand(const QString& uri, const QString& statement, bool header) {
    Connection c(uri);
    if (!c.ok()) {
        err(QStringLiteral("quendarx-db: ") + c.error());
        return 1;
    }
    // cdbl() reads numbers with the regional settings (--locale), as in the library.
    const QLocale locale = Regional::locale();
    PQclear(PQexec(c.get(), QStringLiteral("select set_config('quendarx.decimal_point', '%1', false), "
                                           "set_config('quendarx.group_separator', '%2', false)")
                                .arg(sql::quoted(locale.decimalPoint()), sql::quoted(locale.groupSeparator()))
                                .toUtf8()
                                .constData()));
    return c.run(statement, header) ? 0 : 1;
}

bool serverStockMissing(const QString& uri) {
    Connection c(uri);
    return c.ok() && stockTables(c) == 0;
}

int copyCommand(const QString& from, const QString& to) {
    try {
        if (!isServer(from) && !QFileInfo(from).isFile()) {
            err(QStringLiteral("quendarx-db: no such database file: %1").arg(shownLocation(from)));
            return 1;
        }
        std::unique_ptr<Engine> source = openStock(from);
        if (isServer(to) ? serverStockMissing(to) && serverInitCommand(to) != 0
                         : !QFileInfo::exists(to) && initCommand(to) != 0)
            return 1;
        std::unique_ptr<Engine> target = openStock(to);
        // The history goes with the stock: a copy without it would start a new chain.
        const bool withHistory = history::present(*source);
        const bool targetHistory = history::present(*target);
        if (withHistory && !targetHistory) {
            err(QStringLiteral("quendarx-db: %1 has no history tables, and the history of %2 would be lost: "
                               "quendarx-db upgrade %1 adds them")
                    .arg(shownLocation(to), shownLocation(from)));
            return 1;
        }
        std::vector<Table> tables = stockColumns();
        if (targetHistory)
            tables.insert(tables.end(), historyColumns().begin(), historyColumns().end());
        QString error;
        for (const Table& t : tables) {
            Recordset count;
            if (!target->query(QStringLiteral("select count(*) as N from %1").arg(QLatin1String(t.name)), count,
                               &error))
                throw RuntimeError(errDatabase, error);
            if (count.rows().at(0).at(0).toLongLong() != 0) {
                err(QStringLiteral("quendarx-db: %1 already holds rows in %2: copy only into an empty stock")
                        .arg(shownLocation(to), QLatin1String(t.name)));
                return 1;
            }
        }
        if (!withHistory)
            tables.resize(stockColumns().size());
        if (!target->begin(&error))
            throw RuntimeError(errDatabase, error);
        QStringList done;
        for (const Table& t : tables) {
            const QString list = t.columns.join(QLatin1Char(','));
            Recordset rows;
            const QString order = t.order          ? QLatin1String(t.order)
                                  : isServer(from) ? QLatin1String(server::kRowColumn)
                                                   : QStringLiteral("rowid");
            if (!source->query(QStringLiteral("select %1 from %2 order by %3").arg(list, QLatin1String(t.name), order),
                               rows, &error))
                throw RuntimeError(errDatabase, error);
            sql::Statement insert;
            insert.shape = QStringLiteral("insert into %1 (%2) values (%3)")
                               .arg(QLatin1String(t.name), list,
                                    QStringList(t.columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
            for (const auto& row : rows.rows()) {
                insert.values.clear();
                for (qsizetype i = 0; i < t.columns.size(); ++i)
                    insert.values << storedValue(row[std::size_t(i)], t.columns[i]);
                if (!target->execute(insert, &error)) {
                    target->rollback();
                    throw RuntimeError(errDatabase, QStringLiteral("%1: %2").arg(QLatin1String(t.name), error));
                }
            }
            if (!t.counted)
                done << QStringLiteral("%1 %2").arg(rows.RecordCount()).arg(QString::fromLatin1(t.name).toLower());
            else if (*t.counted)
                done << QStringLiteral("%1 %2").arg(rows.RecordCount()).arg(QLatin1String(t.counted));
        }
        if (!target->commit(&error))
            throw RuntimeError(errDatabase, error);
        out(QStringLiteral("copied %1 from %2 to %3")
                .arg(done.join(QStringLiteral(", ")), shownLocation(from), shownLocation(to)));
        return 0;
    } catch (const RuntimeError& e) {
        err(QStringLiteral("quendarx-db: copy: %1").arg(server::hidePasswords(e.description, from + u' ' + to)));
        return 1;
    }
}

} // namespace quendarx::tool

namespace quendarx::tool {

int checkCommand(const QString& location, bool repair) {
    try {
        if (!isServer(location) && !QFileInfo(location).isFile()) {
            err(QStringLiteral("quendarx-db: no such database file: %1").arg(shownLocation(location)));
            return 1;
        }
        std::unique_ptr<Engine> stock = openStock(location);
        if (repair) {
            const std::vector<AvailableChange> changes = repairAvailable(*stock);
            for (const AvailableChange& c : changes)
                out(QStringLiteral("repaired article %1: available quantity %2 -> %3")
                        .arg(articleName(c.article), c.before.isNull() ? QStringLiteral("null") : c.before.toString(),
                             QString::number(c.after, 'g', 15)));
            out(QStringLiteral("%1 available quantit%2 recomputed")
                    .arg(changes.size())
                    .arg(changes.size() == 1 ? "y" : "ies"));
        }
        const QStringList problems = checkStock(*stock, !isServer(location));
        for (const QString& problem : problems)
            out(problem);
        if (!problems.isEmpty()) {
            err(QStringLiteral("quendarx-db: %1: %2 problem(s)").arg(shownLocation(location)).arg(problems.size()));
            return 1;
        }
        out(QStringLiteral("%1: the stock adds up").arg(shownLocation(location)));
        return 0;
    } catch (const RuntimeError& e) {
        err(QStringLiteral("quendarx-db: check: %1").arg(server::hidePasswords(e.description, location)));
        return 1;
    }
}

} // namespace quendarx::tool
