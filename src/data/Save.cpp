#include "data/Save.h"
#include "data/Engine.h"
#include "platform/RuntimeError.h"
#include <utility>

namespace quendarx {

Save::~Save() {
    if (open_)
        end();
}

bool Save::begin(const std::vector<sql::Statement>& reads) {
    tail_.reset();
    lockStamp_.reset();
    // The tail the last save left is taken once: this save keeps its own when it commits.
    const std::optional<history::KeptTail> kept = std::exchange(conexion_.keptTail(), std::nullopt);
    // The entry this save may record follows the last one, which no other save can change
    // once the lock is taken: read with the lock, in the same round trip on a server. Nothing
    // is sent before the lock: whether the stock keeps a history is looked up once a
    // connection, by the first save's end.
    const bool readTail = !kept && conexion_.knowsHistory() && conexion_.hasHistory();
    Recordset last;
    open_ = readTail ? conexion_.BeginTransaction(history::tailQuery(), last, reads)
                     : conexion_.BeginTransaction(reads);
    if (!open_)
        return false;
    lockStamp_ = conexion_.stamp();
    // Nothing written since the last save of this connection: its entry is still the last.
    if (kept && lockStamp_ == kept->stamp)
        tail_ = kept->tail;
    else if (kept && !conexion_.engine()->query(history::tailQuery(), last, nullptr))
        last.close();
    if (last.isOpen())
        tail_ = history::tailOf(last);
    return true;
}

std::optional<StockStamp> Save::lockStamp() const { return lockStamp_; }

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
    std::optional<history::Tail> last = tail_;
    if (kept && entry_ && conexion_.hasHistory()) {
        std::optional<std::vector<sql::Statement>> statements = history::entryStatements(*conexion_.engine(), *entry_,
                                                                                         &error, tail_);
        entryFailed = !statements;
        kept = !entryFailed;
        if (kept) {
            entry = std::move(*statements);
            last = history::Tail{entry_->number, entry_->digest};
        }
    }
    entry_.reset();
    tail_.reset();
    if (kept)
        kept = conexion_.CommitTransaction(entry, &entryFailed, &error);
    // The next save of this connection starts from this entry while nothing else is written.
    if (kept && last && lockStamp_) {
        if (const std::optional<StockStamp> now = conexion_.engine()->stampAfterCommit(*lockStamp_))
            conexion_.keptTail() = history::KeptTail{*now, *last};
    }
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
