#include "data/Save.h"
#include "data/Engine.h"
#include "platform/RuntimeError.h"

namespace quendarx {

Save::~Save() {
    if (open_)
        end();
}

bool Save::begin() {
    open_ = conexion_.BeginTransaction();
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
    if (kept && entry_ && conexion_.hasHistory()) {
        QString error;
        kept = history::append(*conexion_.engine(), *entry_, &error);
        if (!kept)
            logMessage(QStringLiteral("clConexion: the history entry was not written: %1").arg(error));
    }
    entry_.reset();
    kept = kept && conexion_.CommitTransaction();
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
