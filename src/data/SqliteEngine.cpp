// The local engine: a stock database file through the SQLite C interface, with the
// engine functions registered on the handle.
#include "data/Engine.h"
#include "data/Schema.h"
#include "platform/RuntimeError.h"
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <sqlite3.h>

namespace quendarx {

namespace {

constexpr int kBusyTimeoutMs = 8000;

class Statement {
public:
    Statement(sqlite3* db, const QString& sql) : db_(db) {
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        rc_ = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &st_, &tail);
        if (rc_ == SQLITE_OK && st_ == nullptr)
            error_ = QStringLiteral("empty statement");
        else if (rc_ != SQLITE_OK)
            error_ = QString::fromUtf8(sqlite3_errmsg(db));
        else if (tail && !QByteArray(tail).trimmed().isEmpty())
            error_ = QStringLiteral("Characters found after end of SQL statement.");
    }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    sqlite3_stmt* get() const { return st_; }

    // Steps once: true with a row, false when done or failed (then error() says why).
    bool step() {
        rc_ = sqlite3_step(st_);
        if (rc_ == SQLITE_ROW)
            return true;
        if (rc_ != SQLITE_DONE)
            error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        return false;
    }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    int rc_ = SQLITE_OK;
    QString error_;
};

// The digits of text[from, from + count) as a number; -1 when one is no digit.
int digits(const QString& text, int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The stored forms "yyyy-MM-dd" and "yyyy-MM-dd HH:mm:ss" (or with a T), read without
// the general date parser, which costs tens of microseconds a value.
std::optional<QDateTime> isoDateTime(const QString& text) {
    const qsizetype n = text.size();
    if ((n != 10 && n != 19) || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    const QDate date(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
    if (!date.isValid())
        return std::nullopt;
    if (n == 10)
        return QDateTime(date, QTime(0, 0));
    if ((text[10] != u' ' && text[10] != u'T') || text[13] != u':' || text[16] != u':')
        return std::nullopt;
    const QTime time(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2));
    if (!time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

// A DATE or DATETIME column's ISO text as a date.
QVariant dateValue(const QString& text) {
    if (const auto value = isoDateTime(text); value && value->isValid())
        return *value;
    static const char* const formats[] = {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd", "yyyy-MM-ddTHH:mm:ss",
                                          "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm"};
    for (const char* format : formats) {
        const QDateTime value = QDateTime::fromString(text, QLatin1String(format));
        if (value.isValid())
            return value;
    }
    return text;
}

bool isDateColumn(const char* declaredType) {
    if (!declaredType)
        return false;
    const QByteArray type = QByteArray(declaredType).toUpper();
    return type.contains("DATE") || type.contains("TIME");
}

// Dates repeat down a column (declarations of one day); each text is read once a query.
using DateCache = QHash<QString, QVariant>;

QVariant columnValue(sqlite3_stmt* st, int i, DateCache& dates) {
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, i));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)),
                          sqlite3_column_bytes(st, i));
    default: {
        const QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                              sqlite3_column_bytes(st, i));
        if (!isDateColumn(sqlite3_column_decltype(st, i)))
            return text;
        auto cached = dates.constFind(text);
        if (cached == dates.constEnd())
            cached = dates.insert(text, dateValue(text));
        return *cached;
    }
    }
}

// A file deleted or renamed while open still takes writes, into a file nobody will open
// again; such writes are refused instead.
bool fileGone(sqlite3* db) {
    int moved = 0;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

const QString kFileGone = QStringLiteral("the database file has been deleted or moved since it was opened");

[[noreturn]] void refuse(const QString& reason) {
    throw RuntimeError(errDatabase, reason, QStringLiteral("clConexion"));
}

class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(sqlite3* db) : db_(db) {}
    ~SqliteEngine() override { sqlite3_close_v2(db_); }

    bool query(const QString& sql, Recordset& rs, QString* error) override {
        Statement st(db_, sql);
        if (!st.ok())
            return fail(st, error);
        if (!sqlite3_stmt_readonly(st.get()) && fileGone(db_))
            return gone(error);
        const int count = sqlite3_column_count(st.get());
        QStringList columns;
        for (int i = 0; i < count; ++i)
            columns << QString::fromUtf8(sqlite3_column_name(st.get(), i));
        std::vector<std::vector<QVariant>> rows;
        DateCache dates;
        while (st.step()) {
            std::vector<QVariant> row;
            row.reserve(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                row.push_back(columnValue(st.get(), i, dates));
            rows.push_back(std::move(row));
        }
        if (!st.ok())
            return fail(st, error);
        rs = Recordset(std::move(columns), std::move(rows));
        return true;
    }

    std::optional<int> execute(const QString& sql, QString* error) override {
        Statement st(db_, sql);
        if (!st.ok()) {
            fail(st, error);
            return std::nullopt;
        }
        if (!sqlite3_stmt_readonly(st.get()) && fileGone(db_)) {
            gone(error);
            return std::nullopt;
        }
        while (st.step()) {
        }
        if (!st.ok()) {
            fail(st, error);
            return std::nullopt;
        }
        return sqlite3_stmt_readonly(st.get()) ? 0 : sqlite3_changes(db_);
    }

private:
    static bool gone(QString* error) {
        if (error)
            *error = kFileGone;
        return false;
    }
    static bool fail(const Statement& st, QString* error) {
        if (error)
            *error = st.error();
        return false;
    }

    sqlite3* db_;
};

} // namespace

std::unique_ptr<Engine> openLocalEngine(const QString& path) {
    if (path.isEmpty())
        refuse(QStringLiteral("the connection string names no database file"));
    const QFileInfo info(path);
    if (!info.exists())
        refuse(QStringLiteral("unable to open database file: %1 (no such file)").arg(path));
    if (info.isDir())
        refuse(QStringLiteral("unable to open database file: %1 (is a directory)").arg(path));

    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE,
                                   nullptr);
    auto engine = std::make_unique<SqliteEngine>(db); // closes the handle on every way out
    if (rc != SQLITE_OK)
        refuse(QStringLiteral("%1: %2").arg(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)),
                                            path));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    registerEngineFunctions(db);

    Recordset tables;
    QString error;
    if (!engine->query(QStringLiteral("select name from sqlite_master where type = 'table'"), tables,
                       &error))
        refuse(QStringLiteral("%1: %2").arg(error, path));
    QSet<QString> names;
    for (const auto& row : tables.rows())
        names.insert(row[0].toString().toUpper());
    for (const char* table : {"OPERACIONES", "ARTICULOS", "CANCELACIONES"})
        if (!names.contains(QLatin1String(table)))
            refuse(QStringLiteral("not a stock database, no table %1: %2").arg(QLatin1String(table), path));

    Recordset mode;
    if (!engine->query(QStringLiteral("PRAGMA journal_mode=WAL"), mode, &error))
        logMessage(QStringLiteral("clConexion: cannot use a WAL journal on %1: %2").arg(path, error));
    // With a WAL journal a commit needs no flush to the disk of its own to stay whole: a
    // program killed at any point loses nothing it committed, and the file is never
    // damaged; only a power cut may take the last commits back. The library commits every
    // statement on its own, so a flush each would make an import of thousands of rows
    // wait on the disk thousands of times.
    else if (mode.RecordCount() > 0 && mode.rows().front().front().toString() == QLatin1String("wal"))
        engine->execute(QStringLiteral("PRAGMA synchronous=NORMAL"), nullptr);
    return engine;
}

} // namespace quendarx
