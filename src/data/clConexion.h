#pragma once
// The data-access component: every statement of the library runs through one of these.
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH" opens PATH with the embedded SQLite
// engine (taught the Jet habits, WAL, busy timeout), or the stock on a PostgreSQL server
// when PATH is a postgresql:// or postgres:// URI; any other connection string is an
// ODBC connection string handed to the ODBC driver manager.
#include "data/Engine.h"
#include "data/History.h"
#include "data/Recordset.h"
#include "data/Statements.h"
#include <QString>
#include <memory>
#include <vector>

namespace quendarx {

class clConexion {
public:
    clConexion();
    ~clConexion();
    clConexion(const clConexion&) = delete;
    clConexion& operator=(const clConexion&) = delete;

    void setConnectionString(const QString& value);
    QString ConnectionString() const;
    // A text run as it is.
    void setSql(const QString& statement);
    // A statement of the library: Sql is its exact text, the engine runs its typed,
    // prepared form.
    void setSql(const sql::Statement& statement);
    QString Sql() const;
    bool Connected() const;

    // Opens the connection (closing an open one first). Never creates a file. Throws
    // RuntimeError with the engine's number on failure (a missing file, a file that is not
    // a database, a local database without the three tables, a server down or refusing
    // the password, an ODBC error), its description in the language of the regional
    // settings; the engine's own text is logged and kept in lastError().
    void Connect();
    // Runs Sql as a query. True: rs holds the rows, first row current. False: the query
    // failed (logged) or gave no row; rs is left closed.
    bool GetRecordset(Recordset& rs);
    // Runs Sql as a command: the number of rows changed; 0 on failure (logged) or when no
    // row changed.
    int Execute();

    // One write transaction around a save (see Save). BeginTransaction waits for the
    // write lock as long as the busy timeout allows; false (reason logged) when it could
    // not be taken or the commit failed. `reads`: the queries the save sends first once it
    // holds the lock, in order (a server sends them with the lock, see Engine::begin).
    bool BeginTransaction(const std::vector<sql::Statement>& reads = {});
    // The same, also running `query` as soon as the lock is taken (in the same round trip
    // on a server): true with its rows in rs, or with rs closed when the query failed
    // (logged; the transaction stays open).
    bool BeginTransaction(const sql::Statement& query, Recordset& rs, const std::vector<sql::Statement>& reads = {});
    bool CommitTransaction();
    // Runs `first` (commands of the library) and commits, in one round trip on a server.
    // False when either failed: *failed says whether it was one of `first` (its reason in
    // *error, not logged, the transaction left to roll back), else the commit (logged).
    bool CommitTransaction(const std::vector<sql::Statement>& first, bool* failed, QString* error);
    void RollbackTransaction();
    // Whether a transaction is still open (false once the engine rolled it back itself).
    bool InTransaction() const;

    // Whether the stock has the history tables (looked up once a connection).
    bool hasHistory();
    // Whether hasHistory() has been looked up on this connection (it then sends nothing).
    bool knowsHistory() const;
    // The open engine (null when not connected), for the history.
    Engine* engine() const;
    // The stock's stamp on this connection now (see StockStamp); empty when not connected
    // or where the engine cannot tell.
    std::optional<StockStamp> stamp() const;
    // The history's last entry as this connection's last save left it (see Save); forgotten
    // when the connection opens again.
    std::optional<history::KeptTail>& keptTail();

    // The engine's last error text ("" when none), for messages that quote the reason.
    QString lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace quendarx
