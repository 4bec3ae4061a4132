#include "data/clConexion.h"
#include "data/ConnectFailure.h"
#include "data/ConnectionString.h"
#include "data/Engine.h"
#include "data/History.h"
#include "data/ServerEngine.h"
#include "data/ServerSql.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"

namespace quendarx {

struct clConexion::Impl {
    QString connectionString;
    // The statement to run: given as text, or a statement of the library whose text is
    // spelled out only when it is asked for or logged.
    QString sql;
    std::optional<sql::Statement> statement;
    QString lastError;
    std::unique_ptr<Engine> engine;
    // A server stock that could not be reached when connecting: tried again at the next
    // call, as a lost connection is.
    std::optional<QString> unreached;
    std::optional<bool> history;
    std::optional<history::KeptTail> keptTail;

    void log(const QString& reason) {
        lastError = reason;
        logMessage(QStringLiteral("clConexion: %1\n  statement: %2").arg(reason, text()));
    }

    QString text() const { return statement ? statement->text() : sql; }

    // The engine, connecting again to an unreached server stock first.
    bool connected() {
        if (engine || !unreached)
            return engine != nullptr;
        try {
            engine = openServerEngine(*unreached);
            unreached.reset();
            logMessage(QStringLiteral("clConexion: the server is reached now"));
        } catch (const RuntimeError& error) {
            logMessage(QStringLiteral("clConexion: still cannot connect: %1")
                           .arg(server::hidePasswords(error.description, *unreached)));
        }
        return engine != nullptr;
    }
};

clConexion::clConexion() : d(std::make_unique<Impl>()) {}
clConexion::~clConexion() = default;

void clConexion::setConnectionString(const QString& value) { d->connectionString = value; }
QString clConexion::ConnectionString() const { return d->connectionString; }
void clConexion::setSql(const QString& statement) {
    d->sql = statement;
    d->statement.reset();
}
void clConexion::setSql(const sql::Statement& statement) {
    d->sql.clear();
    d->statement = statement;
}
QString clConexion::Sql() const { return d->text(); }
bool clConexion::Connected() const { return d->engine != nullptr; }
QString clConexion::lastError() const { return d->lastError; }

void clConexion::Connect() {
    d->engine.reset();
    d->unreached.reset();
    d->history.reset();
    d->keptTail.reset();
    d->lastError.clear();
    try {
        if (d->connectionString.trimmed().isEmpty())
            throw RuntimeError(errDatabase, QStringLiteral("the connection string is empty"),
                               QStringLiteral("clConexion"));
        if (auto path = jetDataSource(d->connectionString))
            d->engine = server::isServerLocation(*path) ? openServerEngine(*path) : openLocalEngine(*path);
        else
            d->engine = openOdbcEngine(d->connectionString);
    } catch (const RuntimeError& error) {
        // The clerk reads the reason in the language of the regional settings; the
        // engine's own words go to the log.
        // A location's password never reaches the log or a message, whatever form it has
        // and however the engine quotes it.
        const QString reason = server::hidePasswords(error.description,
                                                     jetDataSource(d->connectionString).value_or(d->connectionString));
        d->lastError = reason;
        logMessage(QStringLiteral("clConexion: cannot connect: %1").arg(reason));
        if (const auto path = jetDataSource(d->connectionString); path && server::isServerLocation(*path))
            d->unreached = *path;
        const ConnectFailure failure = classifyConnectFailure(jetDataSource(d->connectionString), reason);
        throw RuntimeError(error.number, connectFailureDescription(failure, Regional::locale()), error.source);
    }
}

bool clConexion::GetRecordset(Recordset& rs) {
    rs.close();
    d->lastError.clear();
    if (!d->connected()) {
        d->log(QStringLiteral("not connected"));
        return false;
    }
    QString error;
    if (!(d->statement ? d->engine->query(*d->statement, rs, &error) : d->engine->query(d->sql, rs, &error))) {
        rs.close();
        d->log(error);
        return false;
    }
    if (rs.RecordCount() == 0) {
        rs.close();
        return false;
    }
    return true;
}

int clConexion::Execute() {
    d->lastError.clear();
    if (!d->connected()) {
        d->log(QStringLiteral("not connected"));
        return 0;
    }
    QString error;
    const std::optional<int> changed = d->statement ? d->engine->execute(*d->statement, &error)
                                                    : d->engine->execute(d->sql, &error);
    if (!changed) {
        d->log(error);
        return 0;
    }
    return *changed;
}

bool clConexion::BeginTransaction(const std::vector<sql::Statement>& reads) {
    d->lastError.clear();
    QString error;
    if (!d->connected())
        error = QStringLiteral("not connected");
    else if (d->engine->begin(&error, reads))
        return true;
    d->lastError = error;
    logMessage(QStringLiteral("clConexion: cannot begin a transaction: %1").arg(error));
    return false;
}

bool clConexion::BeginTransaction(const sql::Statement& query, Recordset& rs,
                                  const std::vector<sql::Statement>& reads) {
    rs.close();
    d->lastError.clear();
    QString error, readError;
    bool read = false;
    if (!d->connected()) {
        error = QStringLiteral("not connected");
    } else if (d->engine->begin(&error, query, rs, &read, &readError, reads)) {
        if (!read) {
            rs.close();
            logMessage(QStringLiteral("clConexion: %1\n  statement: %2").arg(readError, query.text()));
        }
        return true;
    }
    d->lastError = error;
    logMessage(QStringLiteral("clConexion: cannot begin a transaction: %1").arg(error));
    return false;
}

bool clConexion::CommitTransaction() {
    QString error;
    if (d->engine && d->engine->commit(&error))
        return true;
    d->lastError = d->engine ? error : QStringLiteral("not connected");
    logMessage(QStringLiteral("clConexion: the transaction was not committed: %1").arg(d->lastError));
    return false;
}

bool clConexion::CommitTransaction(const std::vector<sql::Statement>& first, bool* failed, QString* error) {
    *failed = false;
    if (d->engine && d->engine->commitAfter(first, failed, error))
        return true;
    d->lastError = d->engine ? *error : QStringLiteral("not connected");
    if (!*failed)
        logMessage(QStringLiteral("clConexion: the transaction was not committed: %1").arg(d->lastError));
    return false;
}

void clConexion::RollbackTransaction() {
    if (d->engine)
        d->engine->rollback();
}

bool clConexion::hasHistory() {
    if (!d->engine)
        return false;
    if (!d->history)
        d->history = history::present(*d->engine);
    return *d->history;
}

bool clConexion::knowsHistory() const { return d->engine && d->history.has_value(); }

Engine* clConexion::engine() const { return d->engine.get(); }

std::optional<StockStamp> clConexion::stamp() const { return d->engine ? d->engine->stamp() : std::nullopt; }

std::optional<history::KeptTail>& clConexion::keptTail() { return d->keptTail; }

bool clConexion::InTransaction() const { return d->engine && d->engine->inTransaction(); }

} // namespace quendarx
