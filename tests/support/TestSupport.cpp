#include "support/TestSupport.h"
#include <QFile>
#include "data/Schema.h"
#include <sqlite3.h>
#include <stdexcept>

namespace quendarx::test {

int RecordingMessageBoxes::show(const QString& text, int style) {
    shown.push_back({style, text});
    if ((style & 7) != vbYesNo)
        return vbOK;
    if (answers_.empty())
        return vbNo;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList RecordingMessageBoxes::texts() const {
    QStringList out;
    for (const ShownBox& box : shown)
        out << QString::number(box.style) + QLatin1Char(' ') + box.text;
    return out;
}

ScratchDatabase::ScratchDatabase(StockKind kind) {
    path_ = dir_.filePath(QStringLiteral("stock.db"));
    createStock(path_, kind);
}

namespace {
struct Db {
    sqlite3* db = nullptr;
    explicit Db(const QString& path) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_busy_timeout(db, 5000);
        registerEngineFunctions(db);
    }
    ~Db() { sqlite3_close(db); }
};
} // namespace

void ScratchDatabase::exec(const QString& statement) const { execFile(path_, statement); }

QStringList ScratchDatabase::query(const QString& statement) const {
    return queryFile(path_, statement);
}

namespace {

const char* const kPlainSchema = R"sql(
CREATE TABLE OPERACIONES (NUMERO TEXT, INTNDC TEXT, INTDSC TEXT, INTFOF DATE);
CREATE TABLE ARTICULOS (ARTNRO TEXT, INTNDC TEXT, ARTINO INTEGER, ARTSNO INTEGER, ARTNCM TEXT,
                        ARTCAN DOUBLE, ARTUNI DOUBLE, ARTFOB DOUBLE, ARTDSC DOUBLE);
CREATE TABLE CANCELACIONES (LINORD INTEGER, INTNDC TEXT, ARTINO INTEGER, ARTSNO INTEGER,
                            ARTCDS DOUBLE, ARTEXP TEXT, ARTCER TEXT, ARTVEN TEXT, ARTORD INTEGER,
                            EXTNRO TEXT, EXTITM INTEGER, EXTFDC DATETIME);
)sql";

const char* const kPreviousSchema = R"sql(
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

CREATE TRIGGER OPERACIONES_INTFOF_INSERT AFTER INSERT ON OPERACIONES
WHEN qx_date(NEW.INTFOF) IS NOT NEW.INTFOF
BEGIN
  UPDATE OPERACIONES SET INTFOF = qx_date(INTFOF) WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER OPERACIONES_INTFOF_UPDATE AFTER UPDATE OF INTFOF ON OPERACIONES
WHEN qx_date(NEW.INTFOF) IS NOT NEW.INTFOF
BEGIN
  UPDATE OPERACIONES SET INTFOF = qx_date(INTFOF) WHERE rowid = NEW.rowid;
END;

CREATE TRIGGER ARTICULOS_NUMBERS_INSERT AFTER INSERT ON ARTICULOS
WHEN qx_number(NEW.ARTCAN) IS NOT NEW.ARTCAN OR qx_number(NEW.ARTUNI) IS NOT NEW.ARTUNI
  OR qx_number(NEW.ARTFOB) IS NOT NEW.ARTFOB OR qx_number(NEW.ARTDSC) IS NOT NEW.ARTDSC
BEGIN
  UPDATE ARTICULOS SET ARTCAN = qx_number(ARTCAN), ARTUNI = qx_number(ARTUNI),
                       ARTFOB = qx_number(ARTFOB), ARTDSC = qx_number(ARTDSC)
  WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER ARTICULOS_NUMBERS_UPDATE AFTER UPDATE OF ARTCAN, ARTUNI, ARTFOB, ARTDSC ON ARTICULOS
WHEN qx_number(NEW.ARTCAN) IS NOT NEW.ARTCAN OR qx_number(NEW.ARTUNI) IS NOT NEW.ARTUNI
  OR qx_number(NEW.ARTFOB) IS NOT NEW.ARTFOB OR qx_number(NEW.ARTDSC) IS NOT NEW.ARTDSC
BEGIN
  UPDATE ARTICULOS SET ARTCAN = qx_number(ARTCAN), ARTUNI = qx_number(ARTUNI),
                       ARTFOB = qx_number(ARTFOB), ARTDSC = qx_number(ARTDSC)
  WHERE rowid = NEW.rowid;
END;

CREATE TRIGGER CANCELACIONES_VALUES_INSERT AFTER INSERT ON CANCELACIONES
WHEN qx_number(NEW.ARTCDS) IS NOT NEW.ARTCDS OR qx_number(NEW.ARTORD) IS NOT NEW.ARTORD
  OR qx_datetime(NEW.EXTFDC) IS NOT NEW.EXTFDC
BEGIN
  UPDATE CANCELACIONES SET ARTCDS = qx_number(ARTCDS), ARTORD = qx_number(ARTORD),
                           EXTFDC = qx_datetime(EXTFDC)
  WHERE rowid = NEW.rowid;
END;
CREATE TRIGGER CANCELACIONES_VALUES_UPDATE AFTER UPDATE OF ARTCDS, ARTORD, EXTFDC ON CANCELACIONES
WHEN qx_number(NEW.ARTCDS) IS NOT NEW.ARTCDS OR qx_number(NEW.ARTORD) IS NOT NEW.ARTORD
  OR qx_datetime(NEW.EXTFDC) IS NOT NEW.EXTFDC
BEGIN
  UPDATE CANCELACIONES SET ARTCDS = qx_number(ARTCDS), ARTORD = qx_number(ARTORD),
                           EXTFDC = qx_datetime(EXTFDC)
  WHERE rowid = NEW.rowid;
END;
)sql";

} // namespace

void createStock(const QString& path, StockKind kind) {
    if (kind == StockKind::Library) {
        QString error;
        if (!createLocalDatabase(path, &error))
            throw std::runtime_error(error.toStdString());
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw std::runtime_error("cannot create " + path.toStdString());
    file.close();
    execFile(path, QString::fromUtf8(kind == StockKind::Plain ? kPlainSchema : kPreviousSchema) +
                       QStringLiteral("PRAGMA journal_mode=WAL;"));
}

void execFile(const QString& path, const QString& statement) {
    Db d(path);
    char* err = nullptr;
    if (sqlite3_exec(d.db, statement.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string message = err ? err : "error";
        sqlite3_free(err);
        throw std::runtime_error(message + " in: " + statement.toStdString());
    }
}

QStringList queryFile(const QString& path, const QString& statement) {
    Db d(path);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(d.db, statement.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(d.db));
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            if (sqlite3_column_type(st, i) == SQLITE_NULL)
                cells << QStringLiteral("NULL");
            else
                cells << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(st);
    return rows;
}

} // namespace quendarx::test
