// The server engine: the stock on PostgreSQL through libpq. The library's statements run
// as prepared statements, one per shape and value types per connection, their values
// sent typed (whole numbers int8, numbers float8, codes citext, other texts left for the
// server to read as the column's type). Inside a save every statement runs under a
// savepoint, so a failed one leaves what the statements before it wrote, as on the file.
// No call waits on a silent server for long: the server cancels a statement that runs
// past its statement timeout, and a server that sends nothing for kSilenceMs (a backend
// frozen, a network gone) has its connection dropped, the call failing; the next call
// connects again.
// A save may name the reads it sends first once it holds the lock: they go to the server
// with the lock, in the same round trip, under one savepoint, and their results
// are kept until the save sends them (a kept result answers once; a write, the end of the
// save or a lost connection drops them all).
#include "data/ServerEngine.h"
#include "data/History.h"
#include "data/RecentShapes.h"
#include "data/ServerSql.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "platform/Variants.h"
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <array>
#include <charconv>
#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>
#include <utility>

namespace quendarx {

namespace {

// Every save takes this advisory lock for its transaction: saves of all workstations
// follow one another as they do on the stock file (BEGIN IMMEDIATE), so line numbers of an
// export item never collide and an article's available quantity sums every cancellation.
constexpr const char* kBegin = "BEGIN; SET LOCAL lock_timeout = '8s'; SELECT pg_advisory_xact_lock(7208314)";

// How long the server may stay silent in the middle of a call.
constexpr int kSilenceMs = 10000;

constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700, kDate = 1082,
              kTimestamp = 1114, kTimestampTz = 1184, kBool = 16;

// A result of the server's, cleared when it goes.
struct Result {
    PGresult* r = nullptr;
    explicit Result(PGresult* result = nullptr) : r(result) {}
    ~Result() { PQclear(r); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    Result(Result&& other) noexcept : r(std::exchange(other.r, nullptr)) {}
    Result& operator=(Result&& other) noexcept {
        std::swap(r, other.r);
        return *this;
    }
    ExecStatusType status() const { return r ? PQresultStatus(r) : PGRES_FATAL_ERROR; }
    bool ok() const { return status() == PGRES_COMMAND_OK || status() == PGRES_TUPLES_OK; }
};

QString reasonOf(PGconn* conn, const PGresult* r) {
    if (r) {
        const char* primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
        const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        if (primary)
            return state ? QStringLiteral("%1 (SQLSTATE %2)").arg(QString::fromUtf8(primary), QLatin1String(state))
                         : QString::fromUtf8(primary);
    }
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

QVariant cellValue(const PGresult* r, int row, int col, bool orderNumber) {
    if (PQgetisnull(r, row, col))
        return QVariant();
    const char* raw = PQgetvalue(r, row, col);
    const int size = PQgetlength(r, row, col);
    switch (PQftype(r, col)) {
    case kInt2:
    case kInt4:
    case kInt8:
        return QVariant(QByteArray::fromRawData(raw, size).toLongLong());
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QVariant(QByteArray::fromRawData(raw, size).toDouble());
    case kBool:
        return QVariant(qlonglong(raw[0] == 't' ? -1 : 0));
    case kDate:
        return QDateTime(QDate::fromString(QLatin1String(raw, size), Qt::ISODate), QTime(0, 0));
    case kTimestamp:
    case kTimestampTz: {
        const QString text = QLatin1String(raw, size);
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        const QTime time = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
        return QDateTime(date, time.isValid() ? time : QTime(0, 0));
    }
    default:
        // The order number holds a text as well as a number on the server; a whole
        // number comes back as one, as the file's INTEGER column gives it.
        if (orderNumber) {
            bool whole = false;
            const qlonglong value = QByteArray::fromRawData(raw, size).toLongLong(&whole);
            if (whole && QByteArray::number(value) == QByteArray(raw, size))
                return value;
        }
        return QString::fromUtf8(raw, size);
    }
}

[[noreturn]] void refuse(const QString& reason) {
    throw RuntimeError(errDatabase, reason, QStringLiteral("clConexion"));
}

// The values of a statement as the server is sent them: their types and texts.
struct Params {
    std::vector<Oid> types;
    std::vector<QByteArray> texts;
    std::vector<const char*> pointers; // null for a NULL
    QByteArray signature;

    explicit Params(const QVariantList& values) {
        const std::size_t count = std::size_t(values.size());
        types.reserve(count);
        texts.reserve(count);
        pointers.reserve(count);
        signature.reserve(qsizetype(count));
        for (const QVariant& v : values) {
            Oid type = 0;
            QByteArray text;
            const bool null = !v.isValid() || v.isNull();
            if (!null) {
                const int id = v.metaType().id();
                char digits[32];
                if (isWholeNumberType(id)) {
                    type = kInt8;
                    const auto end = std::to_chars(digits, digits + sizeof digits, v.toLongLong()).ptr;
                    text = QByteArray(digits, end - digits);
                } else if (isNumberType(id)) {
                    type = kFloat8;
                    // The shortest text that reads back as the same double.
                    const auto end = std::to_chars(digits, digits + sizeof digits, v.toDouble()).ptr;
                    text = QByteArray(digits, end - digits);
                } else if (id == QMetaType::QDateTime) {
                    text = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
                } else {
                    text = v.toString().toUtf8();
                }
            }
            types.push_back(type);
            texts.push_back(text);
            signature += type == kInt8 ? 'i' : type == kFloat8 ? 'd' : 't';
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QVariant& v = values[qsizetype(i)];
            pointers.push_back(!v.isValid() || v.isNull() ? nullptr : texts[i].constData());
        }
    }
    Params(Params&&) = default;
    Params& operator=(Params&&) = default;
    Params(const Params&) = delete;
    Params& operator=(const Params&) = delete;

    // The same values as the server is sent them.
    bool operator==(const Params& other) const {
        if (types != other.types || texts != other.texts)
            return false;
        for (std::size_t i = 0; i < pointers.size(); ++i)
            if ((pointers[i] == nullptr) != (other.pointers[i] == nullptr))
                return false;
        return true;
    }
};

// cdbl(): a number read with the regional separators the library sets for its session
// (quendarx.decimal_point, quendarx.group_separator; a point and a comma when unset). A
// number passes, a null stays null, a text that is no number is a type mismatch. No
// table, trigger or default calls them.
const char* const kServerFunctions = R"sql(
CREATE OR REPLACE FUNCTION cdbl(value double precision) RETURNS double precision
    LANGUAGE sql IMMUTABLE AS 'select value';
CREATE OR REPLACE FUNCTION cdbl(value text) RETURNS double precision LANGUAGE plpgsql STABLE AS $$
DECLARE
    point text := coalesce(nullif(current_setting('quendarx.decimal_point', true), ''), '.');
    grouping text := coalesce(nullif(current_setting('quendarx.group_separator', true), ''), ',');
    plain text;
BEGIN
    IF value IS NULL THEN
        RETURN NULL;
    END IF;
    plain := replace(replace(btrim(value), grouping, ''), point, '.');
    IF plain !~ '^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][+-]?[0-9]+)?$' THEN
        RAISE EXCEPTION 'Type mismatch' USING ERRCODE = '22018';
    END IF;
    RETURN plain::double precision;
END $$;
)sql";

class ServerEngine : public Engine {
public:
    explicit ServerEngine(PGconn* conn) : conn_(conn) {}
    ~ServerEngine() override { PQfinish(conn_); }

    bool query(const QString& sql, Recordset& rs, QString* error) override {
        kept_.clear(); // a text may write
        const QByteArray text = server::serverText(sql).toUtf8();
        return rowsOf(
            sql, false,
            [&] {
                Call c;
                c.text = text;
                return c;
            },
            rs, error);
    }

    std::optional<int> execute(const QString& sql, QString* error) override {
        kept_.clear();
        const QByteArray text = server::serverText(sql).toUtf8();
        return changed(
            [&] {
                Call c;
                c.text = text;
                return c;
            },
            error);
    }

    bool query(const sql::Statement& statement, Recordset& rs, QString* error) override {
        const Params params(statement.values);
        if (const Result kept = takeKept(statement, params); kept.r) {
            if (!succeeded(kept.r))
                return fail(reasonOf(conn_, kept.r), error);
            rowsIn(kept.r, statement.shape, true, rs);
            return true;
        }
        return rowsOf(
            statement.shape, true, [&] { return callOf(statement, params); }, rs, error);
    }

    std::optional<int> execute(const sql::Statement& statement, QString* error) override {
        kept_.clear();
        const Params params(statement.values);
        return changed([&] { return callOf(statement, params); }, error);
    }

    bool begin(QString* error) override { return open(error, nullptr, nullptr, {}); }

    bool begin(QString* error, const std::vector<sql::Statement>& reads) override {
        return open(error, nullptr, nullptr, reads);
    }

    bool begin(QString* error, const sql::Statement& query, Recordset& rs, bool* read, QString* readError,
               const std::vector<sql::Statement>& reads) override {
        PGresult* rows = nullptr;
        const bool begun = open(error, &query, &rows, reads);
        Result r(rows);
        if (!begun)
            return false;
        *read = r.ok();
        if (*read)
            rowsIn(r.r, query.shape, true, rs);
        else
            fail(reasonFor(r.r), readError);
        return true;
    }

    bool commit(QString* error) override {
        kept_.clear();
        silent_ = false;
        if (PQtransactionStatus(conn_) != PQTRANS_INTRANS) {
            saving_ = false;
            return fail(QStringLiteral("the transaction was rolled back by the server"), error);
        }
        Result r(run("COMMIT"));
        saving_ = false;
        if (r.ok() && QByteArray(PQcmdStatus(r.r)) == "COMMIT")
            return true;
        const QString reason = r.ok() ? QStringLiteral("the transaction was rolled back by the server")
                                      : reasonFor(r.r);
        rollback();
        return fail(reason, error);
    }

    // The statements, the commit and the end of the pipeline go to the server together:
    // once one statement fails the server skips the rest, the commit with them, and the
    // transaction waits for its rollback. Each failure keeps its own statement's reason.
    bool commitAfter(const std::vector<sql::Statement>& statements, bool* failed, QString* error) override {
        *failed = false;
        kept_.clear();
        if (statements.empty())
            return commit(error);
        silent_ = false;
        if (PQtransactionStatus(conn_) != PQTRANS_INTRANS) {
            saving_ = false;
            return fail(QStringLiteral("the transaction was rolled back by the server"), error);
        }
        std::vector<const sql::Statement*> toSend;
        toSend.reserve(statements.size());
        for (const sql::Statement& statement : statements)
            toSend.push_back(&statement);
        std::vector<Params> params;
        const std::vector<Call> calls = pipelineCalls(toSend, params);
        bool sent = PQenterPipelineMode(conn_) != 0;
        for (const Call& call : calls)
            sent = sent && (call.prepare.isEmpty() || sendPrepare(call)) && send(call);
        sent = sent && PQsendQueryParams(conn_, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) && sync();
        QString reason;
        bool committed = false;
        if (sent) {
            // The first failure among the statements (a result missing is one: the
            // connection went), then the commit's.
            const auto take = [&](bool prepared) {
                Result r(collect());
                if (!*failed && !r.ok()) {
                    *failed = true;
                    reason = reasonFor(r.r);
                }
                return !prepared || r.ok();
            };
            for (const Call& call : calls) {
                if (!call.prepare.isEmpty() && take(true))
                    prepared_.insert(call.key, call.name);
                take(false);
            }
            Result r(collect());
            committed = !*failed && r.ok() && QByteArray(PQcmdStatus(r.r)) == "COMMIT";
            if (!*failed && !committed)
                reason = r.ok() ? QStringLiteral("the transaction was rolled back by the server") : reasonFor(r.r);
            PQclear(nextResult()); // the end of the pipeline
        } else {
            *failed = true;
            reason = reasonFor(nullptr);
        }
        leavePipeline();
        saving_ = false;
        if (committed)
            return true;
        rollback();
        return fail(reason, error);
    }

    void rollback() override {
        kept_.clear();
        saving_ = false;
        if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE)
            exec("ROLLBACK");
    }

    bool inTransaction() const override {
        return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_INTRANS;
    }

    bool onServer() const override { return true; }

    long roundTrips() const { return roundTrips_; }

private:
    void exec(const char* command) { Result r(run(command)); }

    // A command given as text (several may be joined by semicolons): its last result.
    PGresult* run(const char* command) {
        ++roundTrips_;
        return PQsendQuery(conn_, command) ? collect() : nullptr;
    }
    PGresult* run(const QByteArray& command) { return run(command.constData()); }

public:
    // Whether the stock has the server's cdbl() functions; a stock made before them gets
    // them now when the connection's role may create them (else the statements leave
    // cdbl() out and the server reads the values as numbers itself).
    void findCdbl() {
        Result found(run("select to_regprocedure('cdbl(text)') is not null "
                         "and to_regprocedure('cdbl(double precision)') is not null"));
        hasCdbl_ = found.ok() && PQntuples(found.r) == 1 && PQgetvalue(found.r, 0, 0)[0] == 't';
        if (hasCdbl_ || !found.ok())
            return;
        Result created(run("BEGIN;\n" + QByteArray(kServerFunctions) + "\nCOMMIT;"));
        hasCdbl_ = created.ok();
        if (hasCdbl_) {
            logMessage(QStringLiteral("clConexion: the stock's cdbl() functions were created"));
        } else {
            logMessage(QStringLiteral("clConexion: the stock has no cdbl() functions and they cannot be created: %1")
                           .arg(reasonFor(created.r)));
            exec("ROLLBACK");
        }
    }

private:
    // The regional separators the server's cdbl(text) reads numbers with follow the
    // regional settings, set for the session outside a transaction.
    void followSeparators() {
        const QLocale locale = Regional::locale();
        const QString current = locale.decimalPoint() + locale.groupSeparator();
        if (!hasCdbl_ || current == sessionSeparators_ || PQstatus(conn_) != CONNECTION_OK)
            return;
        Result r(run(QStringLiteral("SELECT set_config('quendarx.decimal_point', '%1', false), "
                                    "set_config('quendarx.group_separator', '%2', false)")
                         .arg(sql::quoted(locale.decimalPoint()), sql::quoted(locale.groupSeparator()))
                         .toUtf8()));
        if (r.ok())
            sessionSeparators_ = current;
    }

    // Waits until the next result can be read without blocking, for as long as the server
    // keeps sending something at least every kSilenceMs. A server silent for longer has
    // its connection shut, so that the result read next is a failure and the next call
    // connects again.
    void awaitResult() {
        if (PQstatus(conn_) != CONNECTION_OK)
            return;
        // A result already read whole is taken without asking the socket again.
        QElapsedTimer silence;
        silence.start();
        while (PQisBusy(conn_)) {
            const qint64 left = kSilenceMs - silence.elapsed();
            if (left <= 0) {
                silent_ = true;
                logMessage(QStringLiteral("clConexion: the server did not answer for %1 s; the connection is dropped")
                               .arg(kSilenceMs / 1000));
                ::shutdown(PQsocket(conn_), SHUT_RDWR);
                return;
            }
            pollfd socket{PQsocket(conn_), POLLIN, 0};
            if (::poll(&socket, 1, int(left)) > 0)
                silence.restart();
            if (!PQconsumeInput(conn_))
                return;
        }
    }

    PGresult* nextResult() {
        awaitResult();
        return PQgetResult(conn_);
    }

    // Back to one statement at a time, whatever the pipeline still held.
    void leavePipeline() {
        if (!PQexitPipelineMode(conn_))
            while (PGresult* r = nextResult())
                PQclear(r);
    }

    // A statement of a save that failed under its savepoint leaves the save as it was before it.
    void undoFailedStatement() {
        if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_INERROR)
            exec("ROLLBACK TO SAVEPOINT qx; RELEASE SAVEPOINT qx");
    }

    // The reason of a failed call: the server's, or its silence.
    QString reasonFor(const PGresult* r) const {
        return silent_ ? QStringLiteral("the server did not answer for %1 s").arg(kSilenceMs / 1000)
                       : reasonOf(conn_, r);
    }

    // After a lost connection (the server restarted, a network cut): one new connection.
    // The prepared statements went with the old one.
    bool reconnected() {
        if (PQstatus(conn_) == CONNECTION_OK)
            return false;
        PQreset(conn_);
        kept_.clear();
        prepared_.clear();
        recent_.clear();
        sessionSeparators_.clear();
        if (PQstatus(conn_) != CONNECTION_OK)
            return false;
        logMessage(QStringLiteral("clConexion: the connection to the server was lost and made again"));
        return true;
    }

    // One statement to send: a text, or a prepared statement with its values (and its
    // server form when it is not prepared on this connection yet).
    struct Call {
        QByteArray text;
        QByteArray name, prepare;
        QString key; // the shape and the value types (when it is to be prepared)
        const Params* params = nullptr;
    };

    Call callOf(const sql::Statement& statement, const Params& params) {
        Call call;
        call.params = &params;
        // The statements prepared lately by the shape text's address, the others by the text.
        if (const QByteArray* name = recent_.find(statement.shape, params.signature)) {
            call.name = *name;
            return call;
        }
        call.key = statement.shape + QLatin1Char('\x1f') + QLatin1String(params.signature);
        call.name = prepared_.value(call.key);
        if (call.name.isEmpty()) {
            call.name = "qx" + QByteArray::number(++named_);
            call.prepare = server::serverShape(statement.shape, hasCdbl_).toUtf8();
        } else {
            recent_.remember(statement.shape, call.name, params.signature);
        }
        return call;
    }

    // The calls of statements sent together in one pipeline, their values in `params`
    // (which the calls point into): a shape met twice is prepared once.
    std::vector<Call> pipelineCalls(const std::vector<const sql::Statement*>& statements, std::vector<Params>& params) {
        params.clear();
        params.reserve(statements.size());
        std::vector<Call> calls;
        calls.reserve(statements.size());
        for (const sql::Statement* statement : statements) {
            params.emplace_back(statement->values);
            Call call = callOf(*statement, params.back());
            for (const Call& earlier : calls)
                if (!call.prepare.isEmpty() && earlier.key == call.key) {
                    call.name = earlier.name;
                    call.prepare.clear();
                }
            calls.push_back(std::move(call));
        }
        return calls;
    }

    int sendPrepare(const Call& c) {
        return PQsendPrepare(conn_, c.name.constData(), c.prepare.constData(), int(c.params->types.size()),
                             c.params->types.data());
    }

    // The end of a pipeline: the server answers what was sent.
    int sync() {
        ++roundTrips_;
        return PQpipelineSync(conn_);
    }

    int send(const Call& c) {
        if (c.name.isEmpty())
            return PQsendQueryParams(conn_, c.text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        return PQsendQueryPrepared(conn_, c.name.constData(), int(c.params->pointers.size()), c.params->pointers.data(),
                                   nullptr, nullptr, 0);
    }

    // The last result of the command sent (null when there was none).
    PGresult* collect() {
        PGresult* last = nullptr;
        while (PGresult* r = nextResult()) {
            PQclear(last);
            last = r;
        }
        return last;
    }

    static bool succeeded(const PGresult* r) {
        return r && (PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK);
    }

    // Outside a save: the statement (prepared first when new), and once more on a new
    // connection when the old one was lost before it.
    PGresult* once(const Call& c) {
        if (!c.prepare.isEmpty()) {
            ++roundTrips_;
            PGresult* r = sendPrepare(c) ? collect() : nullptr;
            if (!succeeded(r))
                return r;
            PQclear(r);
            prepared_.insert(c.key, c.name);
        }
        ++roundTrips_;
        return send(c) ? collect() : nullptr;
    }

    // Inside a save: the statement under a savepoint, so that a failed one leaves the
    // save's earlier writes in place; savepoint, statement and release go to the server
    // in one pipeline, one round trip.
    PGresult* underSavepoint(const Call& c) {
        if (!PQenterPipelineMode(conn_))
            return nullptr;
        const bool prepare = !c.prepare.isEmpty();
        bool sent = PQsendQueryParams(conn_, "SAVEPOINT qx", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
                    (!prepare || sendPrepare(c)) && send(c) &&
                    PQsendQueryParams(conn_, "RELEASE SAVEPOINT qx", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
                    sync();
        PGresult* result = nullptr;
        bool preparedNow = false;
        if (sent) {
            const int commands = prepare ? 4 : 3;
            for (int command = 0; command < commands; ++command) {
                PGresult* r = collect();
                if (prepare && command == 1)
                    preparedNow = succeeded(r);
                if (command == commands - 2)
                    result = r;
                else
                    PQclear(r);
            }
            PQclear(nextResult()); // the end of the pipeline
        }
        leavePipeline();
        if (preparedNow)
            prepared_.insert(c.key, c.name);
        if (!succeeded(result))
            undoFailedStatement();
        return result;
    }

    // Takes the save's lock, once more on a new connection when the old one was lost.
    // `query` runs right after the lock in the same round trip, under a savepoint, its
    // result in *result; then the reads, whose results are kept.
    bool open(QString* error, const sql::Statement* query, PGresult** result,
              const std::vector<sql::Statement>& reads) {
        silent_ = false;
        for (int attempt = 0; attempt < 2; ++attempt) {
            kept_.clear();
            if (PQtransactionStatus(conn_) != PQTRANS_IDLE && PQstatus(conn_) == CONNECTION_OK)
                exec("ROLLBACK");
            followSeparators();
            if (result) {
                PQclear(*result); // an attempt's on a connection that was lost
                *result = nullptr;
            }
            Result r(query || !reads.empty() ? beginThen(query, result, reads) : run(kBegin));
            saving_ = r.ok();
            if (r.ok())
                return true;
            kept_.clear();
            const QString reason = reasonFor(r.r);
            if (attempt == 0 && !silent_ && reconnected())
                continue;
            exec("ROLLBACK");
            return fail(reason, error);
        }
        return false;
    }

    // The commands of kBegin and then `query` and the reads under one savepoint, in one
    // pipeline: the lock's result (the first failure among the commands of kBegin), the
    // query's in *result, the reads' kept. A read that fails is kept with its reason and
    // the transaction goes back to the savepoint (reads change nothing); the server skips
    // the reads after it, which are not kept (the save sends them itself).
    PGresult* beginThen(const sql::Statement* query, PGresult** result, const std::vector<sql::Statement>& reads) {
        std::vector<const sql::Statement*> statements;
        statements.reserve(reads.size() + 1);
        if (query)
            statements.push_back(query);
        for (const sql::Statement& read : reads)
            statements.push_back(&read);
        std::vector<Params> params;
        const std::vector<Call> calls = pipelineCalls(statements, params);
        if (!PQenterPipelineMode(conn_))
            return nullptr;
        static const QList<QByteArray> begin = [] {
            QList<QByteArray> commands = QByteArray(kBegin).split(';');
            for (QByteArray& command : commands)
                command = command.trimmed();
            return commands;
        }();
        bool sent = true;
        for (const QByteArray& command : begin)
            sent = sent && PQsendQueryParams(conn_, command.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        sent = sent && PQsendQueryParams(conn_, "SAVEPOINT qx", 0, nullptr, nullptr, nullptr, nullptr, 0);
        for (const Call& call : calls)
            sent = sent && (call.prepare.isEmpty() || sendPrepare(call)) && send(call);
        sent = sent && PQsendQueryParams(conn_, "RELEASE SAVEPOINT qx", 0, nullptr, nullptr, nullptr, nullptr, 0) &&
               sync();
        PGresult* lock = nullptr;
        std::vector<PGresult*> results(calls.size(), nullptr);
        if (sent) {
            for (qsizetype command = 0; command < begin.size(); ++command) {
                PGresult* r = collect();
                // The first failure, else the last command's success (the lock).
                if (lock && !succeeded(lock)) {
                    PQclear(r);
                } else {
                    PQclear(lock);
                    lock = r;
                }
            }
            PQclear(collect()); // the savepoint
            for (std::size_t i = 0; i < calls.size(); ++i) {
                if (!calls[i].prepare.isEmpty()) {
                    const Result prepared(collect());
                    if (prepared.ok())
                        prepared_.insert(calls[i].key, calls[i].name);
                }
                results[i] = collect();
            }
            PQclear(collect());    // its release
            PQclear(nextResult()); // the end of the pipeline
        }
        leavePipeline();
        if (succeeded(lock) && std::any_of(results.begin(), results.end(), [](PGresult* r) { return !succeeded(r); }))
            undoFailedStatement();
        std::size_t next = 0;
        if (query)
            *result = results[next++];
        for (; next < results.size(); ++next) {
            Result read(results[next]);
            if (succeeded(lock) && read.r && read.status() != PGRES_PIPELINE_ABORTED)
                kept_.push_back({statements[next]->shape, std::move(params[next]), std::move(read)});
        }
        return lock;
    }

    // The kept result of a read with this shape and these values, taken (null when none
    // is, or the save's transaction is gone).
    Result takeKept(const sql::Statement& statement, const Params& params) {
        if (kept_.empty())
            return Result();
        if (!inTransaction()) {
            kept_.clear();
            return Result();
        }
        for (auto kept = kept_.begin(); kept != kept_.end(); ++kept)
            if (kept->shape == statement.shape && kept->params == params) {
                Result result = std::move(kept->result);
                kept_.erase(kept);
                return result;
            }
        return Result();
    }

    template <typename MakeCall> PGresult* guarded(MakeCall makeCall) {
        silent_ = false;
        if (PQtransactionStatus(conn_) == PQTRANS_INTRANS)
            return underSavepoint(makeCall());
        // A save whose connection was lost goes no further: a new connection would
        // write outside its transaction.
        if (saving_)
            return nullptr;
        followSeparators();
        PGresult* r = once(makeCall());
        if (!succeeded(r) && !silent_ && reconnected()) {
            PQclear(r);
            followSeparators();   // the new session reads regional texts as the old one did
            r = once(makeCall()); // prepared again on the new connection
        }
        return r;
    }

    // shape: the statement is the shape of one of the library's statements.
    template <typename Run> bool rowsOf(const QString& statement, bool shape, Run run, Recordset& rs, QString* error) {
        Result r(guarded(run));
        if (!r.ok())
            return fail(reasonFor(r.r), error);
        rowsIn(r.r, statement, shape, rs);
        return true;
    }

    // The rows of a result that succeeded, under the names the statement spells (worked out
    // once for each shape of the library's statements).
    void rowsIn(const PGresult* result, const QString& statement, bool shape, Recordset& rs) {
        const int count = PQnfields(result);
        QStringList names;
        std::vector<int> shown;
        std::vector<bool> orderNumber;
        for (int i = 0; i < count; ++i) {
            const QString name = QString::fromUtf8(PQfname(result, i));
            if (name == QLatin1String(server::kRowColumn))
                continue;
            names << name;
            shown.push_back(i);
            orderNumber.push_back(name == QLatin1String("artord"));
        }
        if (!shape) {
            names = server::spelledColumns(statement, names);
        } else {
            auto spelled = spelled_.constFind(statement);
            if (spelled == spelled_.constEnd() || spelled->first != names)
                spelled = spelled_.insert(statement, {names, server::spelledColumns(statement, names)});
            names = spelled->second;
        }
        const int rowCount = PQntuples(result);
        std::vector<std::vector<QVariant>> rows;
        rows.reserve(std::size_t(rowCount));
        for (int row = 0; row < rowCount; ++row) {
            std::vector<QVariant> values;
            values.reserve(shown.size());
            for (std::size_t i = 0; i < shown.size(); ++i)
                values.push_back(cellValue(result, row, shown[i], orderNumber[i]));
            rows.push_back(std::move(values));
        }
        rs = Recordset(std::move(names), std::move(rows));
    }

    template <typename Run> std::optional<int> changed(Run run, QString* error) {
        Result r(guarded(run));
        if (!r.ok()) {
            fail(reasonFor(r.r), error);
            return std::nullopt;
        }
        if (r.status() == PGRES_TUPLES_OK)
            return 0;
        return QByteArray(PQcmdTuples(r.r)).toInt();
    }

    static bool fail(const QString& reason, QString* error) {
        if (error)
            *error = reason;
        return false;
    }

    PGconn* conn_;
    bool saving_ = false;                 // between a begin that succeeded and its commit or rollback
    bool silent_ = false;                 // the current call found the server silent
    bool hasCdbl_ = false;                // the stock has the server's cdbl() functions
    QString sessionSeparators_;           // the regional separators set for the session
    QHash<QString, QByteArray> prepared_; // shape and value types -> prepared statement
    RecentShapes<QByteArray> recent_;     // the prepared statements' names, by shape and value types
    QHash<QString, std::pair<QStringList, QStringList>> spelled_; // shape -> the server's names, as spelled
    int named_ = 0;
    // The results of the reads sent with the lock, until the save sends them.
    struct Kept {
        QString shape;
        Params params;
        Result result;
    };
    std::vector<Kept> kept_;
    long roundTrips_ = 0; // requests sent, each followed by a wait for the server's answer
};

// The stock tables: the file's keys and types (double precision quantities, integers,
// date-times), codes as citext under the "C" collation (letter case ignored as the file's
// NOCASE does), an order number that holds a text as well as a number, and the hidden
// insertion-order column.
const char* const kServerSchema = R"sql(
CREATE EXTENSION IF NOT EXISTS citext;
CREATE TABLE OPERACIONES (NUMERO text, INTNDC citext COLLATE "C" PRIMARY KEY,
                          INTDSC text, INTFOF timestamp(0),
                          qx_row bigint GENERATED ALWAYS AS IDENTITY);
CREATE TABLE ARTICULOS (ARTNRO text, INTNDC citext COLLATE "C" NOT NULL,
                        ARTINO integer NOT NULL, ARTSNO integer NOT NULL, ARTNCM text,
                        ARTCAN double precision, ARTUNI double precision,
                        ARTFOB double precision, ARTDSC double precision,
                        qx_row bigint GENERATED ALWAYS AS IDENTITY,
                        PRIMARY KEY (INTNDC, ARTINO, ARTSNO));
CREATE TABLE CANCELACIONES (LINORD integer NOT NULL, INTNDC citext COLLATE "C" NOT NULL,
                        ARTINO integer NOT NULL, ARTSNO integer NOT NULL,
                        ARTCDS double precision, ARTEXP text, ARTCER text, ARTVEN text,
                        ARTORD text, EXTNRO citext COLLATE "C" NOT NULL,
                        EXTITM integer NOT NULL, EXTFDC timestamp(0),
                        qx_row bigint GENERATED ALWAYS AS IDENTITY,
                        UNIQUE (INTNDC, ARTINO, ARTSNO, EXTNRO, EXTITM),
                        UNIQUE (EXTNRO, EXTITM, LINORD));
CREATE INDEX OPERACIONES_INTFOF ON OPERACIONES (INTFOF);
)sql";

} // namespace

long serverRoundTrips(const Engine* engine) {
    const auto* server = dynamic_cast<const ServerEngine*>(engine);
    return server ? server->roundTrips() : 0;
}

QString serverSchemaSql() {
    return (QString::fromUtf8(kServerSchema) + QString::fromUtf8(kServerFunctions)).trimmed() + u'\n' +
           history::tablesSql(true);
}

std::unique_ptr<Engine> openServerEngine(const QString& uri) {
    const QByteArray dbname = server::libpqLocation(uri).toUtf8();
    // Keywords before dbname are defaults the URI's own parameters override.
    // A statement runs at most 9 s (lock waits included, a lock being given up after 8 s);
    // keepalives and the TCP user timeout find a network gone within about 10 s.
    const char* const keywords[] = {
        "connect_timeout",     "application_name", "client_encoding",  "options", "keepalives", "keepalives_idle",
        "keepalives_interval", "keepalives_count", "tcp_user_timeout", "dbname",  nullptr};
    const char* const values[] = {"5",     "quendarx",
                                  "UTF8",  "-c DateStyle=ISO -c extra_float_digits=3 -c statement_timeout=9s",
                                  "1",     "4",
                                  "2",     "2",
                                  "10000", dbname.constData(),
                                  nullptr};
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (!conn)
        refuse(QStringLiteral("out of memory connecting to %1").arg(server::withoutPassword(uri)));
    auto engine = std::make_unique<ServerEngine>(conn); // closes the connection on every way out
    if (PQstatus(conn) != CONNECTION_OK)
        refuse(server::hidePasswords(
            QStringLiteral("%1: %2").arg(QString::fromUtf8(PQerrorMessage(conn)).trimmed(), uri), uri));
    Recordset tables;
    QString error;
    if (!engine->query(QStringLiteral("select to_regclass('operaciones') is not null, "
                                      "to_regclass('articulos') is not null, to_regclass('cancelaciones') is not null"),
                       tables, &error))
        refuse(QStringLiteral("%1: %2").arg(error, server::withoutPassword(uri)));
    const char* const names[] = {"OPERACIONES", "ARTICULOS", "CANCELACIONES"};
    for (int i = 0; i < 3; ++i)
        if (tables.rows().at(0).at(std::size_t(i)).toLongLong() == 0)
            refuse(QStringLiteral("not a stock database, no table %1: %2")
                       .arg(QLatin1String(names[i]), server::withoutPassword(uri)));
    engine->findCdbl();
    return engine;
}

} // namespace quendarx
