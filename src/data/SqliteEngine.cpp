// The local engine: a stock database file through the SQLite C interface. The library's
// statements run prepared, one compiled statement per shape and connection; texts given
// as they are (the tool's) run with cdbl() registered on the handle.
#include "data/Engine.h"
#include "data/RecentShapes.h"
#include "data/Schema.h"
#include "platform/RuntimeError.h"
#include "platform/Variants.h"
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace quendarx {

namespace {

constexpr int kBusyTimeoutMs = 8000;

class TextStatement {
public:
    TextStatement(sqlite3* db, const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &st_, &tail);
        if (rc == SQLITE_OK && st_ == nullptr)
            error_ = QStringLiteral("empty statement");
        else if (rc != SQLITE_OK)
            error_ = QString::fromUtf8(sqlite3_errmsg(db));
        else if (tail && !QByteArray(tail).trimmed().isEmpty())
            error_ = QStringLiteral("Characters found after end of SQL statement.");
    }
    ~TextStatement() { sqlite3_finalize(st_); }
    TextStatement(const TextStatement&) = delete;
    TextStatement& operator=(const TextStatement&) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    sqlite3_stmt* get() const { return st_; }

private:
    sqlite3_stmt* st_ = nullptr;
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
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    default: {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
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

// A text's UTF-8 bytes in `held`, whose buffer is used again when the text is plain ASCII,
// as the codes and numbers a statement binds mostly are.
void utf8Into(const QString& text, QByteArray& held) {
    if (!QtPrivate::isAscii(QStringView(text))) {
        held = text.toUtf8();
        return;
    }
    held.resize(text.size());
    char* out = held.data();
    for (const QChar c : text)
        *out++ = static_cast<char>(c.unicode());
}

// Binds one typed value: null, a whole number, a double, bytes or a text. Bytes and texts
// are bound from `held`, which the caller keeps until the statement is reset and unbound.
int bindValue(sqlite3_stmt* st, int index, const QVariant& value, QByteArray& held) {
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(st, index);
    const int id = value.metaType().id();
    if (id == QMetaType::QByteArray) {
        held = value.toByteArray();
        return sqlite3_bind_blob(st, index, held.constData(), static_cast<int>(held.size()), SQLITE_STATIC);
    }
    if (isWholeNumberType(id))
        return sqlite3_bind_int64(st, index, value.toLongLong());
    if (isNumberType(id))
        return sqlite3_bind_double(st, index, value.toDouble());
    if (id == QMetaType::QString)
        utf8Into(*static_cast<const QString*>(value.constData()), held);
    else
        held = value.toString().toUtf8();
    return sqlite3_bind_text(st, index, held.constData(), static_cast<int>(held.size()), SQLITE_STATIC);
}

// Leaves a cached statement reset and unbound however its use ends: a statement left
// active would hold a read snapshot that makes the next BEGIN IMMEDIATE fail at once.
class ResetOnExit {
public:
    explicit ResetOnExit(sqlite3_stmt* st) : st_(st) {}
    ~ResetOnExit() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    sqlite3_stmt* st_;
};

class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(sqlite3* db) : db_(db) {}
    ~SqliteEngine() override {
        for (const auto& prepared : std::as_const(cache_))
            sqlite3_finalize(prepared->st);
        sqlite3_finalize(begin_);
        sqlite3_finalize(commit_);
        sqlite3_finalize(dataVersion_);
        if (db_ && !sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db_);
    }

    bool query(const QString& sql, Recordset& rs, QString* error) override {
        TextStatement st(db_, sql);
        if (!st.ok())
            return fail(st.error(), error);
        return rows(st.get(), rs, error);
    }

    std::optional<int> execute(const QString& sql, QString* error) override {
        TextStatement st(db_, sql);
        if (!st.ok()) {
            fail(st.error(), error);
            return std::nullopt;
        }
        return run(st.get(), error);
    }

    bool query(const sql::Statement& statement, Recordset& rs, QString* error) override {
        const Prepared* prepared = bound(statement, error);
        if (!prepared)
            return false;
        ResetOnExit reset(prepared->st);
        return rows(prepared->st, rs, error, prepared->columns ? &*prepared->columns : nullptr);
    }

    std::optional<int> execute(const sql::Statement& statement, QString* error) override {
        const Prepared* prepared = bound(statement, error);
        if (!prepared)
            return std::nullopt;
        ResetOnExit reset(prepared->st);
        return run(prepared->st, error);
    }

    bool begin(QString* error) override {
        checkedFile_ = false;
        return command("BEGIN IMMEDIATE", begin_, error);
    }

    bool commit(QString* error) override {
        if (sqlite3_get_autocommit(db_))
            return fail(QStringLiteral("the transaction was rolled back by the engine"), error);
        if (checkedFile_ && fileGone(db_)) {
            rollback();
            return fail(kFileGone, error);
        }
        if (command("COMMIT", commit_, error))
            return true;
        rollback();
        return false;
    }

    void rollback() override {
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    bool inTransaction() const override { return !sqlite3_get_autocommit(db_); }

    std::optional<StockStamp> stamp() override {
        if (!preparedOnce("PRAGMA data_version", dataVersion_, nullptr))
            return std::nullopt;
        std::optional<StockStamp> result;
        if (sqlite3_step(dataVersion_) == SQLITE_ROW)
            result = StockStamp{serial_, sqlite3_column_int64(dataVersion_, 0), sqlite3_total_changes64(db_)};
        sqlite3_reset(dataVersion_);
        return result;
    }

    std::optional<StockStamp> stampAfterCommit(const StockStamp& atLock) override {
        if (atLock.connection != serial_)
            return std::nullopt;
        return StockStamp{serial_, atLock.others, sqlite3_total_changes64(db_)};
    }

private:
    // A fixed statement of the engine's own in `st`, prepared on its first use.
    bool preparedOnce(const char* text, sqlite3_stmt*& st, QString* error) {
        if (!st && sqlite3_prepare_v3(db_, text, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            st = nullptr;
            return fail(QString::fromUtf8(sqlite3_errmsg(db_)), error);
        }
        return true;
    }

    // A transaction's command, prepared once.
    bool command(const char* text, sqlite3_stmt*& st, QString* error) {
        if (!preparedOnce(text, st, error))
            return false;
        const int rc = sqlite3_step(st);
        const QString reason = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_reset(st);
        return rc == SQLITE_DONE || fail(reason, error);
    }

    // Whether a write would go into a file deleted or moved since it was opened: looked at
    // before the first write of a transaction (a stat of the file's path) and again before
    // its commit, and before every write outside one.
    bool writesIntoTheVoid() {
        const bool inTransaction = !sqlite3_get_autocommit(db_);
        if (inTransaction && checkedFile_)
            return false;
        if (fileGone(db_))
            return true;
        checkedFile_ = inTransaction;
        return false;
    }

    // A statement of the library prepared once, with its column names when it lists them
    // (a `*` takes the table's columns of the moment: the engine prepares it again when
    // another client changes the table).
    struct Prepared {
        sqlite3_stmt* st = nullptr;
        std::optional<QStringList> columns;
    };

    // The cached statement of the shape with the values bound; null with the reason.
    const Prepared* bound(const sql::Statement& statement, QString* error) {
        // The shapes used lately by the text's address, the others by hashing the text.
        const Prepared* const* recent = recent_.find(statement.shape);
        const Prepared* prepared = recent ? *recent : nullptr;
        if (!prepared) {
            std::shared_ptr<Prepared>& cached = cache_[statement.shape];
            if (!cached) {
                sqlite3_stmt* st = nullptr;
                const QByteArray utf8 = statement.shape.toUtf8();
                const int rc = sqlite3_prepare_v3(db_, utf8.constData(), static_cast<int>(utf8.size()),
                                                  SQLITE_PREPARE_PERSISTENT, &st, nullptr);
                if (rc != SQLITE_OK || !st) {
                    sqlite3_finalize(st);
                    cache_.remove(statement.shape);
                    fail(rc == SQLITE_OK ? QStringLiteral("empty statement") : QString::fromUtf8(sqlite3_errmsg(db_)),
                         error);
                    return nullptr;
                }
                const bool listed = !statement.shape.contains(QLatin1String("select *"), Qt::CaseInsensitive) &&
                                    !statement.shape.contains(QLatin1String(".*"));
                cached = std::make_shared<Prepared>(
                    Prepared{st, listed ? std::optional(columnNames(st)) : std::nullopt});
            }
            prepared = cached.get();
            recent_.remember(statement.shape, prepared);
        }
        sqlite3_stmt* st = prepared->st;
        held_.resize(std::size_t(statement.values.size()));
        for (int i = 0; i < statement.values.size(); ++i) {
            if (bindValue(st, i + 1, statement.values[i], held_[std::size_t(i)]) != SQLITE_OK) {
                fail(QString::fromUtf8(sqlite3_errmsg(db_)), error);
                sqlite3_clear_bindings(st);
                return nullptr;
            }
        }
        return prepared;
    }

    static QStringList columnNames(sqlite3_stmt* st) {
        QStringList columns;
        const int count = sqlite3_column_count(st);
        for (int i = 0; i < count; ++i)
            columns << QString::fromUtf8(sqlite3_column_name(st, i));
        return columns;
    }

    // The rows of a statement; `known` its column names when they were read at its preparation.
    bool rows(sqlite3_stmt* st, Recordset& rs, QString* error, const QStringList* known = nullptr) {
        if (!sqlite3_stmt_readonly(st) && writesIntoTheVoid())
            return fail(kFileGone, error);
        std::vector<std::vector<QVariant>> result;
        DateCache dates;
        // The columns are read once the statement has run: a statement prepared before
        // another client changed the table is prepared again by its first step.
        int rc = sqlite3_step(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return fail(QString::fromUtf8(sqlite3_errmsg(db_)), error);
        const int count = sqlite3_column_count(st);
        QStringList columns = known ? *known : columnNames(st);
        for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
            std::vector<QVariant> row;
            row.reserve(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                row.push_back(columnValue(st, i, dates));
            result.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            return fail(QString::fromUtf8(sqlite3_errmsg(db_)), error);
        rs = Recordset(std::move(columns), std::move(result));
        return true;
    }

    std::optional<int> run(sqlite3_stmt* st, QString* error) {
        const bool readOnly = sqlite3_stmt_readonly(st);
        if (!readOnly && writesIntoTheVoid()) {
            fail(kFileGone, error);
            return std::nullopt;
        }
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            fail(QString::fromUtf8(sqlite3_errmsg(db_)), error);
            return std::nullopt;
        }
        return readOnly ? 0 : sqlite3_changes(db_);
    }

    static bool fail(const QString& reason, QString* error) {
        if (error)
            *error = reason;
        return false;
    }

    sqlite3* db_;
    QHash<QString, std::shared_ptr<Prepared>> cache_;
    RecentShapes<const Prepared*> recent_;
    std::vector<QByteArray> held_; // the texts bound to the statement running now
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    sqlite3_stmt* dataVersion_ = nullptr;
    bool checkedFile_ = false; // the file was there at the first write of this transaction
    const quint64 serial_ = nextSerial();

    static quint64 nextSerial() {
        static std::atomic<quint64> last{0};
        return ++last;
    }
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

    // A connection serves one clConexion, which is no more shared between threads than
    // the screens are: the engine's own locking of the connection is left out.
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    auto engine = std::make_unique<SqliteEngine>(db); // closes the handle on every way out
    if (rc != SQLITE_OK)
        refuse(QStringLiteral("%1: %2").arg(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)), path));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    registerEngineFunctions(db);

    Recordset tables;
    QString error;
    if (!engine->query(QStringLiteral("select name from sqlite_master where type = 'table'"), tables, &error))
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
    // Every save is one transaction whose commit is flushed to the disk: what a clerk saw
    // saved survives a power cut, and a save cut short leaves none of its rows.
    engine->execute(QStringLiteral("PRAGMA synchronous=FULL"), nullptr);
    return engine;
}

} // namespace quendarx
