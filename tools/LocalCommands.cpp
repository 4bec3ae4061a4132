// init, upgrade and sql: a stock database created by the library's schema, the triggers
// of the previous version dropped, and statements run with the engine functions registered.
#include "DbTool.h"
#include "data/Schema.h"
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>

namespace quendarx::tool {

int initCommand(const QString& path) {
    QString error;
    if (!createLocalDatabase(path, &error)) {
        err(QStringLiteral("quendarx-db: ") + error);
        return 1;
    }
    out(QStringLiteral("created stock database %1").arg(path));
    return 0;
}

int upgradeCommand(const QString& path) {
    QString error;
    Upgrade done;
    if (!upgradeLocalDatabase(path, &done, &error)) {
        err(QStringLiteral("quendarx-db: ") + error);
        return 1;
    }
    if (done.triggers.isEmpty() && !done.historyAdded && !done.historyIndexDropped)
        out(QStringLiteral("%1 is already a plain stock database with its history: nothing to do").arg(path));
    for (const QString& name : done.triggers)
        out(QStringLiteral("dropped trigger %1").arg(name));
    if (!done.triggers.isEmpty())
        out(QStringLiteral("%1 is now a plain stock database").arg(path));
    if (done.historyIndexDropped)
        out(QStringLiteral("dropped index HISTORY_INTNDC: saves no longer write to it"));
    if (done.historyAdded)
        out(QStringLiteral("added the history tables to %1").arg(path));
    return 0;
}

namespace {

QString cellText(sqlite3_stmt* st, int i) {
    if (sqlite3_column_type(st, i) == SQLITE_NULL)
        return QStringLiteral("NULL");
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
}

} // namespace

int sqlCommand(const QString& path, const QString& statement, bool header) {
    if (!QFileInfo(path).isFile()) {
        err(QStringLiteral("quendarx-db: no such database file: %1").arg(shownLocation(path)));
        return 1;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        err(QStringLiteral("quendarx-db: %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
        sqlite3_close(db);
        return 1;
    }
    sqlite3_busy_timeout(db, 8000);
    registerEngineFunctions(db);

    const QByteArray utf8 = statement.toUtf8();
    const char* next = utf8.constData();
    int status = 0;
    while (next && *next && status == 0) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, next, -1, &st, &next) != SQLITE_OK) {
            err(QStringLiteral("quendarx-db: ") + QString::fromUtf8(sqlite3_errmsg(db)));
            status = 1;
            break;
        }
        if (!st) // blanks or a comment after the last statement
            continue;
        const int columns = sqlite3_column_count(st);
        if (header && columns > 0) {
            QStringList names;
            for (int i = 0; i < columns; ++i)
                names << QString::fromUtf8(sqlite3_column_name(st, i));
            out(names.join(QLatin1Char('|')));
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < columns; ++i)
                cells << cellText(st, i);
            out(cells.join(QLatin1Char('|')));
        }
        if (rc != SQLITE_DONE) {
            err(QStringLiteral("quendarx-db: ") + QString::fromUtf8(sqlite3_errmsg(db)));
            status = 1;
        } else if (columns == 0 && !sqlite3_stmt_readonly(st)) {
            err(QStringLiteral("%1 row(s) changed").arg(sqlite3_changes(db)));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return status;
}

} // namespace quendarx::tool
