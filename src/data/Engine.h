#pragma once
// One open connection of clConexion: the embedded SQLite engine or an ODBC data source.
#include "data/Recordset.h"
#include "data/Statements.h"
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace quendarx {

// Where a stock stands for one connection: two equal stamps of the same connection say that
// nothing changed in between, neither through it nor through any other.
struct StockStamp {
    quint64 connection = 0; // the connection's serial number in this process
    qint64 others = 0;      // the commits of other connections it has seen
    qint64 own = 0;         // the rows it has changed itself (rolled back or not)
    bool operator==(const StockStamp&) const = default;
};

class Engine {
public:
    virtual ~Engine() = default;
    // The rows of a query given as text, run as it is; false with the engine's reason in
    // *error when it failed.
    virtual bool query(const QString& sql, Recordset& rs, QString* error) = 0;
    // The number of rows a command given as text changed (-1 when the engine cannot tell);
    // empty with the reason in *error when it failed.
    virtual std::optional<int> execute(const QString& sql, QString* error) = 0;

    // The same for a statement of the library: its parameterised form, prepared once per
    // shape and connection, with its typed values bound.
    virtual bool query(const sql::Statement& statement, Recordset& rs, QString* error) = 0;
    virtual std::optional<int> execute(const sql::Statement& statement, QString* error) = 0;

    // One write transaction: begin takes the write lock at once (waiting as long as the
    // busy timeout allows); false with the reason when it could not.
    virtual bool begin(QString* error) = 0;
    // Begins as begin() does; `reads` are queries of the library the caller sends first
    // once the lock is taken. A server sends them with the lock, in the same round trip,
    // and answers them from their kept results when they come (see ServerEngine); an
    // engine that runs each statement when it is sent has nothing to gain from them.
    virtual bool begin(QString* error, const std::vector<sql::Statement>& reads) {
        static_cast<void>(reads);
        return begin(error);
    }
    // Begins as begin(error, reads) does and runs `query` as soon as the lock is taken (in
    // the same round trip on a server, before the reads). False only when the transaction
    // could not begin; *read says whether the query gave its rows (in rs; its reason in
    // *readError otherwise, the transaction staying open).
    virtual bool begin(QString* error, const sql::Statement& query, Recordset& rs, bool* read, QString* readError,
                       const std::vector<sql::Statement>& reads) {
        if (!begin(error, reads))
            return false;
        *read = this->query(query, rs, readError);
        return true;
    }
    virtual bool commit(QString* error) = 0;
    // Runs `statements` (commands of the library) and then commits, in one round trip on a
    // server. True when committed. Else *failed says whether one of the statements failed
    // (the reason of the first in *error, nothing committed, the transaction left for the
    // caller to roll back) or the commit did (its reason in *error).
    virtual bool commitAfter(const std::vector<sql::Statement>& statements, bool* failed, QString* error) {
        *failed = false;
        for (const sql::Statement& statement : statements)
            if (!execute(statement, error)) {
                *failed = true;
                return false;
            }
        return commit(error);
    }
    virtual void rollback() = 0;
    // Whether a transaction is open: false after begin when the engine rolled the
    // transaction back by itself (a full disk, an I/O error).
    virtual bool inTransaction() const = 0;
    // Whether the stock is on a PostgreSQL server (else a file).
    virtual bool onServer() const { return false; }
    // The stock's stamp for this connection now; empty where the engine cannot tell.
    virtual std::optional<StockStamp> stamp() { return std::nullopt; }
    // The stamp right after this connection committed a transaction during which it held
    // the write lock from the moment of `atLock`: no other connection committed meanwhile,
    // and its own commit does not count as theirs.
    virtual std::optional<StockStamp> stampAfterCommit(const StockStamp& atLock) {
        static_cast<void>(atLock);
        return std::nullopt;
    }
};

// Opens a local stock database file. Never creates it. Throws RuntimeError when the file
// is missing, is no database or lacks one of the three tables.
std::unique_ptr<Engine> openLocalEngine(const QString& path);
// Opens an ODBC connection string. Throws RuntimeError with the driver's reason.
std::unique_ptr<Engine> openOdbcEngine(const QString& connectionString);

} // namespace quendarx
