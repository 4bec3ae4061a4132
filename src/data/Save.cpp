#include "data/Save.h"

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
    const bool kept = conexion_.InTransaction() && conexion_.CommitTransaction();
    if (!kept)
        conexion_.RollbackTransaction();
    return kept || firstLost_.isEmpty() ? message : firstLost_;
}

} // namespace quendarx
