#include "data/Save.h"
#include "data/Engine.h"
#include "platform/RuntimeError.h"

namespace quendarx {

Save::~Save() {
    if (open_)
        end();
}

bool Save::begin(const std::vector<sql::Statement>& reads) {
    tail_.reset();
    // Nothing is sent before the lock: whether the stock keeps a history is looked up once
    // a connection, by the first save's end.
    if (!conexion_.knowsHistory() || !conexion_.hasHistory()) {
        open_ = conexion_.BeginTransaction(reads);
        return open_;
    }
    // The entry this save may record follows the last one, which no other save can change
    // once the lock is taken: read with the lock, in the same round trip on a server.
    Recordset last;
    open_ = conexion_.BeginTransaction(history::tailQuery(), last, reads);
    if (open_ && last.isOpen())
        tail_ = history::tailOf(last);
    return open_;
}

void Save::wrote(const QString& message) {
    if (firstLost_.isEmpty())
        firstLost_ = message;
}

QString Save::end(const QString& message) {
    if (!open_)
        return message;
    open_ = false;
    bool kept = conexion_.InTransaction();
    // The entry goes to the engine with the commit (one round trip on a server); the log
    // still tells an entry not written from a transaction not committed.
    std::vector<sql::Statement> entry;
    QString error;
    bool entryFailed = false;
    if (kept && entry_ && conexion_.hasHistory()) {
        std::optional<std::vector<sql::Statement>> statements = history::entryStatements(*conexion_.engine(), *entry_,
                                                                                         &error, tail_);
        entryFailed = !statements;
        kept = !entryFailed;
        if (kept)
            entry = std::move(*statements);
    }
    entry_.reset();
    tail_.reset();
    if (kept)
        kept = conexion_.CommitTransaction(entry, &entryFailed, &error);
    if (entryFailed)
        logMessage(QStringLiteral("clConexion: the history entry was not written: %1").arg(error));
    if (!kept)
        conexion_.RollbackTransaction();
    return kept || firstLost_.isEmpty() ? message : firstLost_;
}

bool Save::recordsHistory() { return open_ && conexion_.hasHistory(); }

bool Save::capture(const QString& table, const QString& where, const QVariantList& values,
                   std::vector<history::RemovedRow>& rows) {
    QString error;
    if (!open_ || !conexion_.engine())
        return false;
    if (history::capture(*conexion_.engine(), table, where, values, rows, &error))
        return true;
    logMessage(QStringLiteral("clConexion: cannot read the rows to delete: %1").arg(error));
    return false;
}

void Save::record(history::Entry entry) { entry_ = std::move(entry); }

} // namespace quendarx
