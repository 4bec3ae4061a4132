// The stock on a PostgreSQL server on this machine (loopback), on Google Benchmark (medians
// of repetitions, JSON in bench_server.json), each against a plain libpq baseline of the
// same run:
// - BM_ServerImportLibrary: the import of 2,000 items / 10,000 sub-items through the import
//   screen, the outside rows read through the SQLite ODBC driver;
//   BM_ServerImportPlain: the same outside rows read through the same driver with one
//   prepared query, written with libpq prepared inserts in one transaction (target: the
//   library at most twice it);
// - BM_ServerRegistrationLibrary: one registration as the registration screen sends it, in
//   one save, on a stock of 100,000 cancellations and their history: the re-read of what is
//   left of the article, the five statements and the history's entry (target: at most 1.5
//   times the baseline); BM_ServerRegistrationPlain: the same five by libpq prepared
//   statements in one transaction; BM_ServerRegistrationPlainHistory: those and what a plain
//   program needs to write the same history row (the last entry read by its key, a SHA-256
//   digest, one insert).
// The stock keeps its history: the library's import and registration write their entries.
//
// usage: pg_virtualenv -t build/bin/bench_server [--items N] [Google Benchmark flags]
//        (pg_virtualenv runs its server with fsync=off; add -o fsync=on to measure with it)
#include "BenchSupport.h"
#include "cancellations/Registration.h"
#include "data/ServerEngine.h"
#include "data/Statements.h"
#include "data/clConexion.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <QCryptographicHash>
#include <QLineEdit>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <cstring>
#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

const QByteArray kInterno = "3000";
constexpr int kSubItems = 5;
constexpr int kCancellations = 100000;
const QString kExport = QStringLiteral("26001EC01999999B");

QString uriOf(const QString& database) {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(qEnvironmentVariable("PGHOST"));
    url.setPort(qEnvironmentVariableIntValue("PGPORT"));
    url.setUserName(qEnvironmentVariable("PGUSER"));
    url.setPassword(qEnvironmentVariable("PGPASSWORD"));
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

class Pg {
public:
    explicit Pg(const QString& uri) : conn_(PQconnectdb(uri.toUtf8().constData())) {
        if (PQstatus(conn_) != CONNECTION_OK)
            fail(QString::fromUtf8(PQerrorMessage(conn_)));
    }
    ~Pg() { PQfinish(conn_); }
    Pg(const Pg&) = delete;
    Pg& operator=(const Pg&) = delete;
    void exec(const QString& sql) { check(PQexec(conn_, sql.toUtf8().constData())); }
    void prepare(const char* name, const char* sql) { check(PQprepare(conn_, name, sql, 0, nullptr)); }
    // Runs a prepared statement; the first value of its first row.
    double run(const char* name, std::vector<QByteArray> values) {
        std::vector<const char*> pointers;
        for (const QByteArray& v : values)
            pointers.push_back(v.constData());
        PGresult* r = PQexecPrepared(conn_, name, int(pointers.size()), pointers.data(), nullptr, nullptr, 0);
        const double value = PQntuples(r) > 0 ? QByteArray(PQgetvalue(r, 0, 0)).toDouble() : 0;
        check(r);
        return value;
    }
    // Runs a prepared statement without values; the texts of its first row (none without one).
    std::vector<QByteArray> row(const char* name) {
        PGresult* r = PQexecPrepared(conn_, name, 0, nullptr, nullptr, nullptr, 0);
        std::vector<QByteArray> values;
        for (int i = 0; PQntuples(r) > 0 && i < PQnfields(r); ++i)
            values.emplace_back(PQgetvalue(r, 0, i), PQgetlength(r, 0, i));
        check(r);
        return values;
    }

private:
    void check(PGresult* r) {
        const ExecStatusType status = PQresultStatus(r);
        const QString error = QString::fromUtf8(PQresultErrorMessage(r));
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(error);
    }
    PGconn* conn_;
};

struct Setup {
    QString registrations, imports; // the two stock databases
    QTemporaryDir dir;
    QString outside;
    int items = 2000;
    int next = 0; // registrations: the next article; imports: the next declaration code
    clConexion library;
    QuietBoxes boxes;
};
Setup* setup = nullptr;

QString makeDatabase(Pg& server, const QString& name, bool cancellations) {
    server.exec("drop database if exists " + name);
    server.exec("create database " + name);
    Pg db(uriOf(name));
    db.exec(serverSchemaSql());
    if (cancellations) {
        // 20 declarations of 5,000 articles; one cancellation each, 50 to an export item.
        db.exec("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) select 100000 + d, "
                "'26001IC04' || lpad(d::text, 6, '0') || 'K', 'Importacion ' || d, date '2024-01-01' + d "
                "from generate_series(0, 19) d");
        db.exec("insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC) "
                "select 'ART-' || a, '26001IC04' || lpad(d::text, 6, '0') || 'K', 1 + a / 5, a % 5, '8471.30.00', "
                "1000, 1.5, 1500, 1000 from generate_series(0, 19) d, generate_series(0, 4999) a");
        db.exec(QStringLiteral("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, "
                               "ARTVEN, ARTORD, EXTNRO, EXTITM, EXTFDC) select 1 + i %% 50, '26001IC04' || "
                               "lpad((i / 5000)::text, 6, '0') || 'K', 1 + (i %% 5000) / 5, (i %% 5000) %% 5, 1.25, "
                               "'EXP-' || i, 'CERT-' || i, '', NULL, '26001EC01' || lpad((i / 5000)::text, 6, '0') "
                               "|| 'T', 1 + (i / 50) %% 100, '2026-03-01 09:15:00' from generate_series(0, %1) i")
                    .arg(kCancellations - 1)
                    .replace(QLatin1String("%%"), QLatin1String("%")));
        db.exec("update ARTICULOS set ARTDSC = ARTCAN - 1.25");
        // A stock that kept its history from the start has an entry for each cancellation.
        db.exec("insert into HISTORY select qx_row, '2026-03-01 09:15:00', 'clerk', 'ws-1', 'registration', INTNDC, "
                "ARTINO, ARTSNO, EXTNRO, EXTITM, null, ARTCDS, null, null, lpad((qx_row - 1)::text, 64, '0'), "
                "lpad(qx_row::text, 64, '0') from CANCELACIONES");
        db.exec("vacuum analyze");
    }
    return uriOf(name);
}

sql::ArticleKey articleOf(int n) {
    return {QStringLiteral("26001IC04%1K").arg((n / 5000) % 20, 6, 10, QLatin1Char('0')), 1 + (n % 5000) / 5,
            (n % 5000) % 5};
}

// The five statements as the registration screen sends them: its own save.
bool registerThroughLibrary(clConexion& conexion, const sql::ArticleKey& key) {
    Registration r;
    r.article = key;
    r.exportItem = {kExport, 1};
    r.quantity = 1.25;
    r.artexp = QStringLiteral("EXP-BENCH");
    r.artcer = QStringLiteral("CERT-BENCH");
    r.artven = QStringLiteral("31/12/2027");
    r.artord = QStringLiteral("12");
    return !registerCancellation(conexion, basGlobal().valores(), r);
}

void BM_ServerRegistrationLibrary(benchmark::State& state) {
    for (auto _ : state)
        if (!registerThroughLibrary(setup->library, articleOf(setup->next++)))
            state.SkipWithError("a registration failed");
}

// The same five by libpq prepared statements in one transaction; withHistory: also what a
// plain program needs to write the same history row (the last entry read by its key, a
// SHA-256 digest, one insert).
void registerPlainly(benchmark::State& state, bool withHistory) {
    Pg db(setup->registrations);
    db.prepare("count", "select count(LINORD) from CANCELACIONES where INTNDC = $1 and ARTINO = $2 and "
                        "ARTSNO = $3 and EXTNRO = $4 and EXTITM = $5");
    db.prepare("max", "select max(LINORD) from CANCELACIONES where EXTNRO = $1 and EXTITM = $2");
    db.prepare("insert", "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, "
                         "ARTVEN, ARTORD, EXTNRO, EXTITM, EXTFDC) values ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, "
                         "$11, $12)");
    db.prepare("sum", "select sum(ARTCDS) from CANCELACIONES where INTNDC = $1 and ARTINO = $2 and ARTSNO = $3");
    db.prepare("update", "update ARTICULOS set ARTDSC = ARTCAN - $1 where INTNDC = $2 and ARTINO = $3 and "
                         "ARTSNO = $4");
    db.prepare("last", "select ENTRY, DIGEST from HISTORY order by ENTRY desc limit 1");
    db.prepare("entry", "insert into HISTORY (ENTRY, STAMP, USERNAME, WORKSTATION, OPERATION, INTNDC, ARTINO, "
                        "ARTSNO, EXTNRO, EXTITM, QUANTITY_BEFORE, QUANTITY_AFTER, REF, NOTE, PREVIOUS, DIGEST) "
                        "values ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, null, $11, null, null, $12, $13)");
    const QByteArray user = qgetenv("USER").isEmpty() ? QByteArray("clerk") : qgetenv("USER");
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    for (auto _ : state) {
        const sql::ArticleKey key = articleOf(setup->next++);
        const QByteArray code = key.intndc.toUtf8(), ino = QByteArray::number(key.artino),
                         sno = QByteArray::number(key.artsno), exportCode = kExport.toUtf8();
        db.exec("BEGIN");
        db.run("count", {code, ino, sno, exportCode, "1"});
        const int linord = int(db.run("max", {exportCode, "1"})) + 1;
        db.run("insert", {QByteArray::number(linord), code, ino, sno, "1.25", "EXP-BENCH", "CERT-BENCH", "31/12/2027",
                          "12", exportCode, "1", "2026-12-05 10:30:00"});
        const double total = db.run("sum", {code, ino, sno});
        db.run("update", {QByteArray::number(total, 'g', 17), code, ino, sno});
        if (withHistory) {
            const std::vector<QByteArray> last = db.row("last");
            const QByteArray number = QByteArray::number(last.empty() ? 1 : last[0].toLongLong() + 1);
            const QByteArray previous = last.empty() ? QByteArray() : last[1];
            const QByteArray stamp = "2026-12-05 10:30:00";
            const QByteArray content = QByteArrayList{number, stamp,  user, host,       "registration",
                                                      code,   ino,    sno,  exportCode, "1",
                                                      "",     "1.25", "",   "",         previous}
                                           .join('\x1f');
            const QByteArray digest = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
            db.run("entry", {number, stamp, user, host, "registration", code, ino, sno, exportCode, "1", "1.25",
                             previous, digest});
        }
        db.exec("COMMIT");
    }
}

void BM_ServerRegistrationPlain(benchmark::State& state) { registerPlainly(state, false); }

void BM_ServerRegistrationPlainHistory(benchmark::State& state) { registerPlainly(state, true); }

void BM_ServerImportLibrary(benchmark::State& state) {
    for (auto _ : state) {
        resetLibraryState();
        LibraryState& g = basGlobal();
        g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                              setup->imports);
        g.conexionLocal().Connect();
        g.g_NumeroInterno = QString::fromLatin1(kInterno);
        g.g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + setup->outside;
        frmImportar& screen = frmImportar::instance();
        screen.showModeless();
        screen.textBox(QStringLiteral("txtINTNDC"))->setText(QStringLiteral("LIB-%1").arg(++setup->next));
        screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("Importacion grande"));
        screen.textBox(QStringLiteral("txtINTFOF"))->setText(QStringLiteral("05/12/2026"));
        setup->boxes.shown.clear();
        QElapsedTimer timer;
        timer.start();
        screen.lp_AgregarInterno();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (setup->boxes.shown != QStringList{QStringLiteral("64 Despacho agregado en stock")})
            state.SkipWithError("the import did not end as it should");
        resetLibraryState();
    }
}

// The outside rows through the ODBC driver, one prepared sub-item query executed per item.
class Odbc {
public:
    explicit Odbc(const QString& outside) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        QByteArray connection = "Driver=SQLite3;Database=" + outside.toUtf8();
        if (!SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(connection.data()), SQL_NTS,
                                            nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
            fail(QStringLiteral("the ODBC driver does not connect"));
    }
    ~Odbc() {
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    Odbc(const Odbc&) = delete;
    Odbc& operator=(const Odbc&) = delete;
    SQLHSTMT prepare(const char* sql) {
        SQLHSTMT st = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
        SQLPrepare(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
        return st;
    }
    static QByteArray text(SQLHSTMT st, SQLUSMALLINT column) {
        char buffer[512];
        SQLLEN length = 0;
        SQLGetData(st, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
        return length == SQL_NULL_DATA ? QByteArray() : QByteArray(buffer, std::min<SQLLEN>(length, sizeof buffer - 1));
    }

private:
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
};

void importPlain(const QByteArray& code) {
    Odbc odbc(setup->outside);
    Pg db(setup->imports);
    db.prepare("declaration", "insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ($1, $2, $3, $4)");
    db.prepare("article", "insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, "
                          "ARTDSC) values ($1, $2, $3, $4, $5, $6, $7, $8, $9)");
    SQLHSTMT items = odbc.prepare("select id from item where interno = ? and id<>0 order by id");
    SQLHSTMT subItems = odbc.prepare("select idarticulo, id, ncm, cantidad, preciounitario, fob from "
                                     "groupsubitems where interno = ? and id = ? order by idsub");
    char interno[16] = {};
    std::strncpy(interno, kInterno.constData(), sizeof interno - 1);
    SQLLEN internoLength = SQL_NTS;
    SQLINTEGER id = 0;
    for (SQLHSTMT st : {items, subItems})
        SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 15, 0, interno, sizeof interno,
                         &internoLength);
    SQLBindParameter(subItems, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, nullptr);
    std::vector<int> ids;
    SQLExecute(items);
    while (SQL_SUCCEEDED(SQLFetch(items))) {
        SQLINTEGER value = 0;
        SQLLEN length = 0;
        SQLGetData(items, 1, SQL_C_SLONG, &value, sizeof value, &length);
        ids.push_back(value);
    }
    SQLCloseCursor(items);
    db.exec("BEGIN");
    db.run("declaration", {kInterno, code, "Importacion grande", "2026-12-05"});
    for (const int item : ids) {
        id = item;
        SQLExecute(subItems);
        int sub = 1;
        while (SQL_SUCCEEDED(SQLFetch(subItems))) {
            const QByteArray quantity = Odbc::text(subItems, 4);
            db.run("article",
                   {Odbc::text(subItems, 1), code, QByteArray::number(item), QByteArray::number(sub++),
                    Odbc::text(subItems, 3), quantity, Odbc::text(subItems, 5), Odbc::text(subItems, 6), quantity});
        }
        SQLCloseCursor(subItems);
    }
    db.exec("COMMIT");
    SQLFreeHandle(SQL_HANDLE_STMT, items);
    SQLFreeHandle(SQL_HANDLE_STMT, subItems);
}

void BM_ServerImportPlain(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        importPlain("PLAIN-" + QByteArray::number(++setup->next));
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

} // namespace

BENCHMARK(BM_ServerImportLibrary)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ServerImportPlain)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ServerRegistrationLibrary)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ServerRegistrationPlain)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ServerRegistrationPlainHistory)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PGHOST"))
        fail(QStringLiteral("needs a server: pg_virtualenv -t bench_server"));
    Setup s;
    setup = &s;
    s.items = intArgument(argc, argv, "--items", 2000);
    {
        Pg server(uriOf(QStringLiteral("postgres")));
        s.registrations = makeDatabase(server, QStringLiteral("qx_bench_registrations"), true);
        s.imports = makeDatabase(server, QStringLiteral("qx_bench_imports"), false);
    }
    s.outside = s.dir.filePath(QStringLiteral("outside.db"));
    makeOutside(s.outside, kInterno, s.items, kSubItems);
    s.library.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + s.registrations);
    s.library.Connect();
    return runWithRatios(argc, argv, "bench_server",
                         {{"import, 2,000 items / 10,000 sub-items (outside read through ODBC), with its history "
                           "entry",
                           2, "BM_ServerImportLibrary", "BM_ServerImportPlain"},
                          {"one registration at 100,000 cancellations (re-read, five statements, history entry)", 1.5,
                           "BM_ServerRegistrationLibrary", "BM_ServerRegistrationPlain"},
                          {"the same, against the five plain statements and a plain history row", 0,
                           "BM_ServerRegistrationLibrary", "BM_ServerRegistrationPlainHistory"},
                          {"the five plain statements and a plain history row, against the five alone", 0,
                           "BM_ServerRegistrationPlainHistory", "BM_ServerRegistrationPlain"}});
}
