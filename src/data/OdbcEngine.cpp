// The outside engine: an ODBC connection string through Qt SQL's ODBC driver. Each
// instance has a connection name of its own that also carries the thread.
//
// Qt SQL connects and runs the statements; the rows are read straight from the
// statement's ODBC handle. Qt's driver clears a buffer of the column's declared size
// for every text value it reads, which for a TEXT column of the SQLite driver is 64K
// characters a value: most of an import's time went there.
#include "data/ConnectionString.h"
#include "data/Engine.h"
#include "platform/RuntimeError.h"
#include "platform/Variants.h"
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QThread>
#include <atomic>
#include <map>
#include <sql.h>
#include <sqlext.h>

namespace quendarx {

namespace {

QString uniqueConnectionName() {
    static std::atomic<quint64> counter{0};
    return QStringLiteral("quendarx-odbc-%1-%2")
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()))
        .arg(++counter);
}

QString errorText(const QSqlError& error) {
    QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown ODBC error") : text;
}

// The diagnostics of a statement handle, as one line.
QString diagnostics(SQLHSTMT stmt) {
    QStringList parts;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLWCHAR message[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRecW(SQL_HANDLE_STMT, stmt, record, state, &native, message,
                                           SQLSMALLINT(std::size(message)), &length);
        if (!SQL_SUCCEEDED(r))
            break;
        parts << QString::fromUtf16(reinterpret_cast<const char16_t*>(message),
                                    std::min<qsizetype>(length, std::size(message) - 1));
    }
    return parts.join(QLatin1Char(' '));
}

// How a column's values are read: as Qt SQL would type them.
enum class ColumnKind { Integer, Double, Date, Time, DateTime, Text, Bytes };

ColumnKind columnKind(QMetaType type) {
    if (isWholeNumberType(type.id()))
        return ColumnKind::Integer;
    switch (type.id()) {
    case QMetaType::Float:
    case QMetaType::Double:
        return ColumnKind::Double;
    case QMetaType::QDate:
        return ColumnKind::Date;
    case QMetaType::QTime:
        return ColumnKind::Time;
    case QMetaType::QDateTime:
        return ColumnKind::DateTime;
    case QMetaType::QString:
        return ColumnKind::Text;
    default:
        return ColumnKind::Bytes;
    }
}

// Reads the current row's rows column by column from a statement handle; a failed read
// leaves its diagnostics in error().
class RowReader {
public:
    explicit RowReader(SQLHSTMT stmt) : stmt_(stmt) {}

    // Fetches the next row: true with a row, false at the end or on a failure.
    bool fetch() {
        const SQLRETURN r = SQLFetch(stmt_);
        if (r == SQL_NO_DATA)
            return false;
        return SQL_SUCCEEDED(r) || failed(QStringLiteral("Unable to fetch row"));
    }

    std::optional<QVariant> value(SQLUSMALLINT column, ColumnKind kind) {
        switch (kind) {
        case ColumnKind::Integer: {
            SQLBIGINT v = 0;
            return fixed(column, SQL_C_SBIGINT, &v, sizeof v, [&] { return QVariant(static_cast<qlonglong>(v)); });
        }
        case ColumnKind::Double: {
            double v = 0;
            return fixed(column, SQL_C_DOUBLE, &v, sizeof v, [&] { return QVariant(v); });
        }
        case ColumnKind::Date: {
            SQL_DATE_STRUCT v{};
            return fixed(column, SQL_C_TYPE_DATE, &v, sizeof v,
                         [&] { return QVariant(QDateTime(QDate(v.year, v.month, v.day), QTime(0, 0))); });
        }
        case ColumnKind::Time: {
            SQL_TIME_STRUCT v{};
            return fixed(column, SQL_C_TYPE_TIME, &v, sizeof v,
                         [&] { return QVariant(QTime(v.hour, v.minute, v.second)); });
        }
        case ColumnKind::DateTime: {
            SQL_TIMESTAMP_STRUCT v{};
            return fixed(column, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, [&] {
                return QVariant(QDateTime(QDate(v.year, v.month, v.day),
                                          QTime(v.hour, v.minute, v.second, static_cast<int>(v.fraction / 1000000))));
            });
        }
        case ColumnKind::Text:
            return text(column);
        case ColumnKind::Bytes:
            return bytes(column);
        }
        return QVariant();
    }

    const QString& error() const { return error_; }

private:
    template <typename Make>
    std::optional<QVariant> fixed(SQLUSMALLINT column, SQLSMALLINT type, void* buffer, SQLLEN size, Make make) {
        SQLLEN indicator = 0;
        const SQLRETURN r = SQLGetData(stmt_, column, type, buffer, size, &indicator);
        if (!SQL_SUCCEEDED(r))
            return failed(QStringLiteral("Unable to read a value")), std::nullopt;
        if (indicator == SQL_NULL_DATA)
            return QVariant();
        return make();
    }

    // A value of any length, read in parts of a buffer's size: text as UTF-16, anything
    // else as its bytes.
    std::optional<QVariant> text(SQLUSMALLINT column) {
        QString value;
        if (!chunks<SQLWCHAR>(column, SQL_C_WCHAR, 1, [&](const SQLWCHAR* part, qsizetype n) {
                value.append(QStringView(reinterpret_cast<const char16_t*>(part), n));
            }))
            return std::nullopt;
        return isNull_ ? QVariant() : QVariant(value);
    }

    std::optional<QVariant> bytes(SQLUSMALLINT column) {
        QByteArray value;
        if (!chunks<char>(column, SQL_C_BINARY, 0, [&](const char* part, qsizetype n) { value.append(part, n); }))
            return std::nullopt;
        return isNull_ ? QVariant() : QVariant(value);
    }

    // Calls take(part, units) for each part; `terminator` units of each full buffer are
    // the driver's closing zero. False on a failed read; isNull_ tells a null apart.
    template <typename Unit, typename Take>
    bool chunks(SQLUSMALLINT column, SQLSMALLINT type, qsizetype terminator, Take take) {
        Unit buffer[2048];
        const qsizetype room = qsizetype(std::size(buffer)) - terminator;
        isNull_ = false;
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN r = SQLGetData(stmt_, column, type, buffer, sizeof buffer, &indicator);
            if (r == SQL_NO_DATA)
                return true;
            if (!SQL_SUCCEEDED(r))
                return failed(QStringLiteral("Unable to read a value"));
            if (indicator == SQL_NULL_DATA) {
                isNull_ = true;
                return true;
            }
            take(buffer,
                 indicator == SQL_NO_TOTAL ? room : std::min<qsizetype>(indicator / SQLLEN(sizeof(Unit)), room));
            if (r == SQL_SUCCESS)
                return true;
        }
    }

    bool failed(const QString& what) {
        const QString reason = diagnostics(stmt_);
        error_ = reason.isEmpty() ? what : reason + QLatin1Char(' ') + what;
        return false;
    }

    SQLHSTMT stmt_;
    QString error_;
    bool isNull_ = false;
};

class OdbcEngine : public Engine {
public:
    explicit OdbcEngine(QString name) : name_(std::move(name)) {}
    ~OdbcEngine() override {
        prepared_.clear(); // the prepared statements go before their connection
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    void open(const QString& connectionString) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
        if (!db.isValid())
            throw RuntimeError(errDatabase, QStringLiteral("the ODBC driver is not available"),
                               QStringLiteral("clConexion"));
        db.setDatabaseName(odbcDatabaseName(connectionString));
        if (!db.open())
            throw RuntimeError(errDatabase, errorText(db.lastError()), QStringLiteral("clConexion"));
    }

    bool query(const QString& sql, Recordset& rs, QString* error) override {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.exec(sql) || !q.isSelect())
            return fail(q, error, QStringLiteral("the statement gives no rows"));
        return rows(q, rs, error);
    }

    // A statement of the library: prepared once per shape, executed with its values bound.
    bool query(const sql::Statement& statement, Recordset& rs, QString* error) override {
        QSqlQuery* q = bound(statement, error);
        if (!q)
            return false;
        const bool ok = q->exec() && q->isSelect() ? rows(*q, rs, error)
                                                   : fail(*q, error, QStringLiteral("the statement gives no rows"));
        q->finish();
        return ok;
    }

    std::optional<int> execute(const sql::Statement& statement, QString* error) override {
        QSqlQuery* q = bound(statement, error);
        if (!q)
            return std::nullopt;
        if (!q->exec()) {
            fail(*q, error, QString());
            return std::nullopt;
        }
        const int changed = q->numRowsAffected();
        q->finish();
        return changed;
    }

    bool begin(QString* error) override {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        if (!db.transaction()) {
            if (error)
                *error = errorText(db.lastError());
            return false;
        }
        inTransaction_ = true;
        return true;
    }

    bool commit(QString* error) override {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        inTransaction_ = false;
        if (db.commit())
            return true;
        if (error)
            *error = errorText(db.lastError());
        db.rollback();
        return false;
    }

    void rollback() override {
        if (inTransaction_)
            QSqlDatabase::database(name_, false).rollback();
        inTransaction_ = false;
    }

    bool inTransaction() const override { return inTransaction_; }

private:
    // The prepared query of the shape with the statement's values bound; null with the
    // driver's reason when the shape does not prepare.
    QSqlQuery* bound(const sql::Statement& statement, QString* error) {
        auto found = prepared_.find(statement.shape);
        if (found == prepared_.end()) {
            QSqlQuery q(QSqlDatabase::database(name_, false));
            q.setForwardOnly(true);
            q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
            if (!q.prepare(statement.shape)) {
                fail(q, error, QStringLiteral("the statement cannot be prepared"));
                return nullptr;
            }
            found = prepared_.emplace(statement.shape, std::move(q)).first;
        }
        QSqlQuery& q = found->second;
        for (int i = 0; i < statement.values.size(); ++i)
            q.bindValue(i, statement.values[i]);
        return &q;
    }

    bool rows(QSqlQuery& q, Recordset& rs, QString* error) {
        const QVariant handle = q.result()->handle();
        if (handle.metaType() != QMetaType::fromType<SQLHANDLE>() || !handle.value<SQLHANDLE>())
            return fail(q, error, QStringLiteral("the statement has no ODBC handle"));
        RowReader reader(handle.value<SQLHANDLE>());
        const QSqlRecord record = q.record();
        QStringList columns;
        std::vector<ColumnKind> kinds;
        for (int i = 0; i < record.count(); ++i) {
            columns << record.fieldName(i);
            kinds.push_back(columnKind(record.field(i).metaType()));
        }
        std::vector<std::vector<QVariant>> result;
        while (reader.fetch()) {
            std::vector<QVariant> row;
            row.reserve(kinds.size());
            for (std::size_t i = 0; i < kinds.size(); ++i) {
                auto value = reader.value(static_cast<SQLUSMALLINT>(i + 1), kinds[i]);
                if (!value)
                    break;
                row.push_back(std::move(*value));
            }
            if (!reader.error().isEmpty())
                break;
            result.push_back(std::move(row));
        }
        if (!reader.error().isEmpty()) {
            if (error)
                *error = reader.error();
            return false;
        }
        rs = Recordset(std::move(columns), std::move(result));
        return true;
    }

public:
    std::optional<int> execute(const QString& sql, QString* error) override {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (!q.exec(sql)) {
            fail(q, error, QString());
            return std::nullopt;
        }
        return q.numRowsAffected();
    }

private:
    static bool fail(const QSqlQuery& q, QString* error, const QString& fallback) {
        if (error)
            *error = q.lastError().isValid() ? errorText(q.lastError()) : fallback;
        return false;
    }

    QString name_;
    std::map<QString, QSqlQuery> prepared_;
    bool inTransaction_ = false;
};

} // namespace

std::unique_ptr<Engine> openOdbcEngine(const QString& connectionString) {
    auto engine = std::make_unique<OdbcEngine>(uniqueConnectionName());
    engine->open(connectionString); // a failure removes the connection with the engine
    return engine;
}

} // namespace quendarx
