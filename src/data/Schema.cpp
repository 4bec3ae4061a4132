#include "data/Schema.h"
#include "data/History.h"
#include "platform/Regional.h"
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace quendarx {

namespace {

// Plain SQL: the library writes typed values itself, so any SQLite client reads and
// writes the tables.
const char* const kSchema = R"sql(
CREATE TABLE OPERACIONES (NUMERO TEXT, INTNDC TEXT COLLATE NOCASE PRIMARY KEY,
                          INTDSC TEXT, INTFOF DATE);
CREATE TABLE ARTICULOS (ARTNRO TEXT, INTNDC TEXT COLLATE NOCASE NOT NULL,
                        ARTINO INTEGER NOT NULL, ARTSNO INTEGER NOT NULL, ARTNCM TEXT,
                        ARTCAN DOUBLE, ARTUNI DOUBLE, ARTFOB DOUBLE, ARTDSC DOUBLE,
                        PRIMARY KEY (INTNDC, ARTINO, ARTSNO));
CREATE TABLE CANCELACIONES (LINORD INTEGER NOT NULL, INTNDC TEXT COLLATE NOCASE NOT NULL,
                        ARTINO INTEGER NOT NULL, ARTSNO INTEGER NOT NULL, ARTCDS DOUBLE,
                        ARTEXP TEXT, ARTCER TEXT, ARTVEN TEXT, ARTORD INTEGER,
                        EXTNRO TEXT COLLATE NOCASE NOT NULL, EXTITM INTEGER NOT NULL,
                        EXTFDC DATETIME,
                        UNIQUE (INTNDC, ARTINO, ARTSNO, EXTNRO, EXTITM),
                        UNIQUE (EXTNRO, EXTITM, LINORD));
CREATE INDEX OPERACIONES_INTFOF ON OPERACIONES (INTFOF);
)sql";

QString argText(sqlite3_value* v) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

// cdbl(x): a number under the regional settings. Numbers pass, null stays null, a text
// that is no number is a type mismatch.
void cdblFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    default:
        if (auto value = Regional::readNumber(argText(argv[0])))
            sqlite3_result_double(ctx, *value);
        else
            sqlite3_result_error(ctx, "Type mismatch", -1);
    }
}

// qx_number, qx_date, qx_datetime: called by the triggers of stock files made by the
// previous version (until `quendarx-db upgrade` drops them).
// qx_number(x): a text that reads as a regional number becomes that number; anything
// else comes back unchanged.
void numberFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        if (auto value = Regional::readNumber(argText(argv[0]))) {
            sqlite3_result_double(ctx, *value);
            return;
        }
    }
    sqlite3_result_value(ctx, argv[0]);
}

enum class DateForm { DayOrDateTime, DateTime };

template <DateForm Form> void dateFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        if (auto value = Regional::readDate(argText(argv[0]))) {
            const bool withTime = Form == DateForm::DateTime || value->time() != QTime(0, 0);
            resultText(
                ctx, value->toString(withTime ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd")));
            return;
        }
    }
    sqlite3_result_value(ctx, argv[0]);
}

void createFunction(sqlite3* db, const char* name, void (*fn)(sqlite3_context*, int, sqlite3_value**)) {
    // Results depend on the regional settings, so the functions are not deterministic;
    // they have no side effects, so the schema's triggers may call them whatever the
    // connection's trusted_schema setting.
    sqlite3_create_function_v2(db, name, 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, fn, nullptr, nullptr, nullptr);
}

} // namespace

QString localSchemaSql() { return QString::fromUtf8(kSchema).trimmed(); }

void registerEngineFunctions(sqlite3* db) {
    createFunction(db, "cdbl", cdblFunction);
    createFunction(db, "qx_number", numberFunction);
    createFunction(db, "qx_date", dateFunction<DateForm::DayOrDateTime>);
    createFunction(db, "qx_datetime", dateFunction<DateForm::DateTime>);
}

bool upgradeLocalDatabase(const QString& path, Upgrade* done, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("no such database file: %1").arg(path));
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString reason = QString::fromUtf8(db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close(db);
        return fail(QStringLiteral("%1: %2").arg(path, reason));
    }
    sqlite3_busy_timeout(db, 8000);
    registerEngineFunctions(db);
    QString reason;
    QStringList tables, triggers;
    bool historyIndex = false;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "select type, name, coalesce(sql, '') from sqlite_master "
                           "where type in ('table', 'trigger', 'index') order by name",
                           -1, &st, nullptr) != SQLITE_OK) {
        reason = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const QString type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
            if (type == QLatin1String("table"))
                tables << name.toUpper();
            else if (type == QLatin1String("index"))
                historyIndex = historyIndex || name.compare(QLatin1String("HISTORY_INTNDC"), Qt::CaseInsensitive) == 0;
            else if (text.contains(QLatin1String("qx_"), Qt::CaseInsensitive))
                triggers << name;
        }
        if (rc != SQLITE_DONE)
            reason = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    if (reason.isEmpty())
        for (const char* table : {"OPERACIONES", "ARTICULOS", "CANCELACIONES"})
            if (!tables.contains(QLatin1String(table)))
                reason = QStringLiteral("not a stock database, no table %1").arg(QLatin1String(table));
    const bool addHistory = !tables.contains(QLatin1String("HISTORY")) &&
                            !tables.contains(QLatin1String("HISTORY_ROWS"));
    if (reason.isEmpty() && (!triggers.isEmpty() || addHistory || historyIndex)) {
        QByteArray script = "BEGIN IMMEDIATE;\n";
        for (const QString& name : triggers)
            script += "DROP TRIGGER \"" + name.toUtf8() + "\";\n";
        if (historyIndex)
            script += "DROP INDEX HISTORY_INTNDC;\n";
        if (addHistory)
            script += history::tablesSql(false).toUtf8() + "\n";
        script += "COMMIT;";
        char* message = nullptr;
        if (sqlite3_exec(db, script.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            reason = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (!reason.isEmpty())
        return fail(QStringLiteral("%1: %2").arg(path, reason));
    if (done)
        *done = Upgrade{triggers, addHistory, historyIndex};
    return true;
}

bool createLocalDatabase(const QString& path, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        return fail(QStringLiteral("%1 already exists").arg(path));
    // Creating the empty file first (exclusively) means an existing file is never touched.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return fail(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QString reason;
    if (rc == SQLITE_OK) {
        const QByteArray script = "BEGIN;\n" + localSchemaSql().toUtf8() + "\n" + history::tablesSql(false).toUtf8() +
                                  "\nCOMMIT;\nPRAGMA journal_mode=WAL;";
        char* message = nullptr;
        rc = sqlite3_exec(db, script.constData(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK)
            reason = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
    } else {
        reason = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        QFile::remove(path);
        return fail(QStringLiteral("cannot create %1: %2").arg(path, reason));
    }
    return true;
}

} // namespace quendarx
