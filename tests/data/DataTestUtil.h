#pragma once
// Helpers of the data-layer tests: a connected stock database and a captured log.
#include "data/clConexion.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>

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

// Sends the library's log to a file of its own for a scope.
class CapturedLog {
public:
    CapturedLog() : previous_(qgetenv("QUENDARX_LOG")), path_(dir_.filePath(QStringLiteral("log.txt"))) {
        qputenv("QUENDARX_LOG", path_.toUtf8());
    }
    ~CapturedLog() { qputenv("QUENDARX_LOG", previous_); }

    QString text() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QByteArray previous_;
    QTemporaryDir dir_;
    QString path_;
};

} // namespace quendarx::test
