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
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QThread>
#include <algorithm>
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

// Reads the rest of a statement's rows value by value into `result`, stopping at the
// first value that cannot be read (the reason is then in reader.error()).
void readValueByValue(RowReader& reader, const std::vector<ColumnKind>& kinds,
                      std::vector<std::vector<QVariant>>& result) {
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
}

// How a column of a described result is read: its SQL type as Qt SQL would type it.
ColumnKind sqlColumnKind(SQLSMALLINT type) {
    switch (type) {
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return ColumnKind::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ColumnKind::Double;
    case SQL_DATE:
    case SQL_TYPE_DATE:
        return ColumnKind::Date;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        return ColumnKind::Time;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return ColumnKind::DateTime;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_GUID:
        return ColumnKind::Text;
    default:
        return ColumnKind::Bytes;
    }
}

// A statement of the library prepared once on the connection's own ODBC handle: its
// values bound for each run, its rows fetched a block at a time into column arrays the
// driver fills. A text longer than its slot in the block, or a column of bytes, makes
// that run read its rows value by value instead.
class PreparedStatement {
public:
    static constexpr SQLULEN kBlock = 64;
    static constexpr qsizetype kTextUnits = 256; // a slot's UTF-16 units, the closing zero included

    PreparedStatement() = default;
    ~PreparedStatement() {
        if (stmt_)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    }
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    bool prepare(SQLHDBC dbc, const QString& shape, QString* error) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_))) {
            stmt_ = nullptr;
            return fail(error, QStringLiteral("the statement cannot be prepared"));
        }
        setAttribute(SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0);
        SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_STATUS_PTR, status_, 0);
        const std::u16string text = shape.toStdU16String();
        if (!SQL_SUCCEEDED(SQLPrepareW(stmt_, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.data())),
                                       static_cast<SQLINTEGER>(text.size()))))
            return fail(error, QStringLiteral("the statement cannot be prepared"));
        return true;
    }

    // Runs the statement with `values` bound: null, a whole number, a double or a text.
    bool execute(const QVariantList& values, QString* error) {
        if (parameters_.size() != static_cast<std::size_t>(values.size())) {
            SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
            parameters_ = std::vector<Parameter>(static_cast<std::size_t>(values.size()));
        }
        for (qsizetype i = 0; i < values.size(); ++i)
            if (!bind(static_cast<SQLUSMALLINT>(i + 1), values[i], parameters_[static_cast<std::size_t>(i)]))
                return fail(error, QStringLiteral("a value cannot be bound"));
        const SQLRETURN r = SQLExecute(stmt_);
        return SQL_SUCCEEDED(r) || r == SQL_NO_DATA || fail(error, QStringLiteral("the statement failed"));
    }

    // The rows of the run; false with the reason when it gives none or a read fails.
    bool rows(Recordset& rs, QString* error) {
        if (names_.isEmpty() && !describe(error)) {
            close();
            return false;
        }
        QStringList columns = names_;
        const std::vector<ColumnKind>& kinds = kinds_;
        std::vector<std::vector<QVariant>> result;
        std::optional<bool> read;
        if (std::find(kinds.begin(), kinds.end(), ColumnKind::Bytes) == kinds.end())
            read = blocks(kinds, result, error);
        if (!read) { // a value too long for the block: the run again, value by value
            close();
            result.clear();
            if (!single(kinds, result, error))
                return false;
        } else if (!*read) {
            close();
            return false;
        }
        close();
        rs = Recordset(std::move(columns), std::move(result));
        return true;
    }

private:
    // The names and kinds of the result's columns, read after the first run: a prepared
    // statement keeps them.
    bool describe(QString* error) {
        SQLSMALLINT count = 0;
        if (!SQL_SUCCEEDED(SQLNumResultCols(stmt_, &count)) || count <= 0)
            return fail(error, QStringLiteral("the statement gives no rows"));
        QStringList names;
        std::vector<ColumnKind> kinds;
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
            SQLWCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = 0;
            SQLULEN size = 0;
            if (!SQL_SUCCEEDED(SQLDescribeColW(stmt_, i, name, SQLSMALLINT(std::size(name)), &nameLength, &type, &size,
                                               &scale, &nullable)))
                return fail(error, QStringLiteral("the statement's columns cannot be read"));
            names << QString::fromUtf16(reinterpret_cast<const char16_t*>(name),
                                        std::min<qsizetype>(nameLength, std::size(name) - 1));
            kinds.push_back(sqlColumnKind(type));
        }
        names_ = std::move(names);
        kinds_ = std::move(kinds);
        return true;
    }

    // How a parameter is bound to the driver.
    struct Binding {
        SQLSMALLINT cType = 0, sqlType = 0;
        SQLULEN size = 0;
        SQLPOINTER buffer = nullptr;
        SQLLEN length = 0;
        bool operator==(const Binding&) const = default;
    };

    // A parameter's value, in a buffer that stays where it is between runs.
    struct Parameter {
        SQLBIGINT whole = 0;
        double number = 0;
        std::u16string text;
        SQLLEN indicator = 0;
        std::optional<Binding> bound;
    };

    // One bound column: kBlock slots of its C type and their length indicators.
    struct Column {
        ColumnKind kind = ColumnKind::Text;
        std::vector<char> cells;
        SQLLEN indicators[kBlock] = {};
    };

    // Binds a value, calling the driver only when the binding itself changes: a new value
    // of the same kind in the same buffer needs none.
    bool bind(SQLUSMALLINT index, const QVariant& value, Parameter& p) {
        Binding b;
        if (!value.isValid() || value.isNull()) {
            p.indicator = SQL_NULL_DATA;
            b = {SQL_C_CHAR, SQL_VARCHAR, 1, nullptr, 0};
        } else if (isWholeNumberType(value.typeId())) {
            p.whole = value.toLongLong();
            p.indicator = 0;
            b = {SQL_C_SBIGINT, SQL_BIGINT, 0, &p.whole, 0};
        } else if (isNumberType(value.typeId())) {
            p.number = value.toDouble();
            p.indicator = 0;
            b = {SQL_C_DOUBLE, SQL_DOUBLE, 0, &p.number, 0};
        } else {
            const QString text = value.toString();
            p.text.assign(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
            const auto units = static_cast<SQLULEN>(p.text.size());
            p.indicator = static_cast<SQLLEN>(units * sizeof(SQLWCHAR));
            b = {SQL_C_WCHAR, static_cast<SQLSMALLINT>(units > 254 ? SQL_WLONGVARCHAR : SQL_WVARCHAR),
                 std::max<SQLULEN>(units, 1), p.text.data(), p.indicator};
        }
        if (p.bound && *p.bound == b)
            return true;
        p.bound.reset();
        if (!SQL_SUCCEEDED(SQLBindParameter(stmt_, index, SQL_PARAM_INPUT, b.cType, b.sqlType, b.size, 0, b.buffer,
                                            b.length, &p.indicator)))
            return false;
        p.bound = b;
        return true;
    }

    // Reads the run's rows a block at a time. Empty when a text did not fit its slot.
    std::optional<bool> blocks(const std::vector<ColumnKind>& kinds, std::vector<std::vector<QVariant>>& result,
                               QString* error) {
        if (!bindColumns(kinds))
            return fail(error, QStringLiteral("the statement's columns cannot be bound"));
        for (;;) {
            const SQLRETURN r = SQLFetch(stmt_);
            if (r == SQL_NO_DATA)
                return true;
            if (!SQL_SUCCEEDED(r))
                return fail(error, QStringLiteral("Unable to fetch row"));
            for (SQLULEN row = 0; row < fetched_; ++row) {
                if (status_[row] == SQL_ROW_ERROR)
                    return fail(error, QStringLiteral("Unable to read a value"));
                std::vector<QVariant> values;
                values.reserve(columns_.size());
                for (const Column& column : columns_) {
                    auto value = slot(column, row);
                    if (!value)
                        return std::nullopt;
                    values.push_back(std::move(*value));
                }
                result.push_back(std::move(values));
            }
        }
    }

    bool bindColumns(const std::vector<ColumnKind>& kinds) {
        bool same = columns_.size() == kinds.size();
        for (std::size_t i = 0; same && i < kinds.size(); ++i)
            same = columns_[i].kind == kinds[i];
        if (same)
            return true;
        SQLFreeStmt(stmt_, SQL_UNBIND);
        columns_ = std::vector<Column>(kinds.size());
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            Column& c = columns_[i];
            c.kind = kinds[i];
            const auto [type, size] = cType(c.kind);
            c.cells.assign(kBlock * size, 0);
            if (!SQL_SUCCEEDED(SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), type, c.cells.data(),
                                          static_cast<SQLLEN>(size), c.indicators))) {
                unbind();
                return false;
            }
        }
        // A driver may keep a size of its own: one beyond the block's room is refused.
        SQLULEN size = 0;
        setAttribute(SQL_ATTR_ROW_ARRAY_SIZE, kBlock);
        if (!SQL_SUCCEEDED(SQLGetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr)) || size > kBlock)
            setAttribute(SQL_ATTR_ROW_ARRAY_SIZE, 1);
        return true;
    }

    static std::pair<SQLSMALLINT, std::size_t> cType(ColumnKind kind) {
        switch (kind) {
        case ColumnKind::Integer:
            return {SQL_C_SBIGINT, sizeof(SQLBIGINT)};
        case ColumnKind::Double:
            return {SQL_C_DOUBLE, sizeof(double)};
        case ColumnKind::Date:
            return {SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)};
        case ColumnKind::Time:
            return {SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT)};
        case ColumnKind::DateTime:
            return {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)};
        case ColumnKind::Text:
        case ColumnKind::Bytes:
            break;
        }
        return {SQL_C_WCHAR, kTextUnits * sizeof(SQLWCHAR)};
    }

    // The value in a column's slot of the block; empty when a text did not fit.
    static std::optional<QVariant> slot(const Column& c, SQLULEN row) {
        const SQLLEN indicator = c.indicators[row];
        if (indicator == SQL_NULL_DATA)
            return QVariant();
        const auto size = cType(c.kind).second;
        const char* at = c.cells.data() + row * size;
        switch (c.kind) {
        case ColumnKind::Integer:
            return QVariant(static_cast<qlonglong>(*reinterpret_cast<const SQLBIGINT*>(at)));
        case ColumnKind::Double:
            return QVariant(*reinterpret_cast<const double*>(at));
        case ColumnKind::Date: {
            const auto& v = *reinterpret_cast<const SQL_DATE_STRUCT*>(at);
            return QVariant(QDateTime(QDate(v.year, v.month, v.day), QTime(0, 0)));
        }
        case ColumnKind::Time: {
            const auto& v = *reinterpret_cast<const SQL_TIME_STRUCT*>(at);
            return QVariant(QTime(v.hour, v.minute, v.second));
        }
        case ColumnKind::DateTime: {
            const auto& v = *reinterpret_cast<const SQL_TIMESTAMP_STRUCT*>(at);
            return QVariant(QDateTime(QDate(v.year, v.month, v.day),
                                      QTime(v.hour, v.minute, v.second, static_cast<int>(v.fraction / 1000000))));
        }
        case ColumnKind::Text:
        case ColumnKind::Bytes:
            break;
        }
        const auto room = static_cast<SQLLEN>((kTextUnits - 1) * sizeof(SQLWCHAR));
        if (indicator == SQL_NO_TOTAL || indicator > room)
            return std::nullopt;
        return QVariant(
            QString::fromUtf16(reinterpret_cast<const char16_t*>(at), indicator / SQLLEN(sizeof(SQLWCHAR))));
    }

    // Runs the statement again, its parameters still bound, and reads it value by value.
    bool single(const std::vector<ColumnKind>& kinds, std::vector<std::vector<QVariant>>& result, QString* error) {
        unbind();
        if (!SQL_SUCCEEDED(SQLExecute(stmt_)))
            return fail(error, QStringLiteral("the statement failed"));
        RowReader reader(stmt_);
        readValueByValue(reader, kinds, result);
        close();
        if (!reader.error().isEmpty()) {
            if (error)
                *error = reader.error();
            return false;
        }
        return true;
    }

    void unbind() {
        SQLFreeStmt(stmt_, SQL_UNBIND);
        setAttribute(SQL_ATTR_ROW_ARRAY_SIZE, 1);
        columns_.clear();
    }

    void close() { SQLFreeStmt(stmt_, SQL_CLOSE); }

    // ODBC carries a whole-number attribute in its pointer argument.
    void setAttribute(SQLINTEGER attribute, SQLULEN value) {
        const auto carried = reinterpret_cast<SQLPOINTER>(value); // NOLINT(performance-no-int-to-ptr): as ODBC asks
        SQLSetStmtAttr(stmt_, attribute, carried, 0);
    }

    bool fail(QString* error, const QString& what) const {
        if (error) {
            const QString reason = stmt_ ? diagnostics(stmt_) : QString();
            *error = reason.isEmpty() ? what : reason + QLatin1Char(' ') + what;
        }
        return false;
    }

    SQLHSTMT stmt_ = nullptr;
    SQLULEN fetched_ = 0;
    SQLUSMALLINT status_[kBlock] = {};
    std::vector<Parameter> parameters_;
    std::vector<Column> columns_;
    QStringList names_;
    std::vector<ColumnKind> kinds_;
};

class OdbcEngine : public Engine {
public:
    explicit OdbcEngine(QString name) : name_(std::move(name)) {}
    ~OdbcEngine() override {
        prepared_.clear(); // the prepared statements go before their connection
        statements_.clear();
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

    // A statement of the library: prepared once per shape on the connection's ODBC handle,
    // executed with its values bound.
    bool query(const sql::Statement& statement, Recordset& rs, QString* error) override {
        auto found = statements_.find(statement.shape);
        if (found == statements_.end()) {
            auto prepared = std::make_unique<PreparedStatement>();
            const QVariant dbc = QSqlDatabase::database(name_, false).driver()->handle();
            if (dbc.metaType() != QMetaType::fromType<SQLHANDLE>() || !dbc.value<SQLHANDLE>()) {
                if (error)
                    *error = QStringLiteral("the connection has no ODBC handle");
                return false;
            }
            if (!prepared->prepare(dbc.value<SQLHANDLE>(), statement.shape, error))
                return false;
            found = statements_.emplace(statement.shape, std::move(prepared)).first;
        }
        PreparedStatement& prepared = *found->second;
        return prepared.execute(statement.values, error) && prepared.rows(rs, error);
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
        readValueByValue(reader, kinds, result);
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
    std::map<QString, std::unique_ptr<PreparedStatement>> statements_;
    bool inTransaction_ = false;
};

} // namespace

std::unique_ptr<Engine> openOdbcEngine(const QString& connectionString) {
    auto engine = std::make_unique<OdbcEngine>(uniqueConnectionName());
    engine->open(connectionString); // a failure removes the connection with the engine
    return engine;
}

} // namespace quendarx
