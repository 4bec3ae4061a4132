#pragma once
// A connected stock database for the data-layer tests.
#include "data/clConexion.h"
#include "support/Logs.h"
#include "support/TestSupport.h"

namespace quendarx::test {

inline QString jetConnectionString(const QString& path) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path;
}

// A fresh stock database with a data-access instance connected to it.
struct ConnectedDatabase {
    ScratchDatabase db;
    clConexion cn;

    explicit ConnectedDatabase(StockKind kind = StockKind::Library) : db(kind) {
        cn.setConnectionString(jetConnectionString(db.path()));
        cn.Connect();
    }
    // A text run as it is, or a statement of the library.
    template <class Statement> int execute(const Statement& statement) {
        cn.setSql(statement);
        return cn.Execute();
    }
    template <class Statement> bool recordset(const Statement& statement, Recordset& rs) {
        cn.setSql(statement);
        return cn.GetRecordset(rs);
    }
};

} // namespace quendarx::test
