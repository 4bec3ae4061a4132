// The import of a declaration of 2,000 items and 10,000 sub-items from the outside
// database through the SQLite ODBC driver, on Google Benchmark (medians of repetitions,
// JSON in bench_import_ratio.json; nine repetitions each, interleaved at random), all of
// one run:
// - BM_ImportLibrary: the library's import alone (importDeclaration, no screen);
// - BM_ImportF11: a clerk's F11 on the shown import screen, from the key to the end of
//   the events it leaves (progress bar, message, the screen closed) (target: at most 1.25
//   times the import alone);
// and two plain baselines, both writing with plain SQLite prepared statements in one
// transaction at the library's synchronous=FULL:
// - BM_ImportPlainOdbc: the outside rows read through the same ODBC driver as fast as plain
//   C++ reads them: one prepared statement per shape with its values bound, bound columns
//   fetched in row arrays (the SQLite ODBC driver honours them) (target: the import alone
//   at most twice it);
// - BM_ImportPlainFile: the outside rows read from the outside file directly.
//
// usage: bench_import_ratio [--items N] [Google Benchmark flags]
#include "BenchSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <sql.h>
#include <sqlext.h>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

const QByteArray kInterno = "3000";
constexpr int kSubItems = 5;

// The article rows of one outside sub-item, as a plain import reads them.
struct SubItem {
    QByteArray idarticulo, ncm;
    int id = 0;
    double cantidad = 0, preciounitario = 0, fob = 0;
};

// Writes the declaration and its articles with plain prepared statements in one
// transaction, as the library's stock file is set (synchronous=FULL).
class PlainWriter {
public:
    explicit PlainWriter(const QString& stock) : to_(stock) {
        to_.exec("PRAGMA synchronous=FULL");
        declaration_ = to_.prepare("insert into OPERACIONES values (?, ?, ?, ?)");
        insert_ = to_.prepare("insert into ARTICULOS values (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        to_.exec("BEGIN IMMEDIATE");
        bindText(declaration_, 1, kInterno);
        bindText(declaration_, 2, code_);
        bindText(declaration_, 3, "Importacion grande");
        bindText(declaration_, 4, "2026-12-05");
        to_.run(declaration_);
    }
    ~PlainWriter() {
        sqlite3_finalize(declaration_);
        sqlite3_finalize(insert_);
    }
    PlainWriter(const PlainWriter&) = delete;
    PlainWriter& operator=(const PlainWriter&) = delete;

    void write(const SubItem& row, int sub) {
        bindText(insert_, 1, row.idarticulo);
        bindText(insert_, 2, code_);
        sqlite3_bind_int(insert_, 3, row.id);
        sqlite3_bind_int(insert_, 4, sub);
        bindText(insert_, 5, row.ncm);
        sqlite3_bind_double(insert_, 6, row.cantidad);
        sqlite3_bind_double(insert_, 7, row.preciounitario);
        sqlite3_bind_double(insert_, 8, row.fob);
        sqlite3_bind_double(insert_, 9, row.cantidad);
        to_.run(insert_);
        ++rows_;
    }
    int commit() {
        to_.exec("COMMIT");
        return rows_;
    }

private:
    Sqlite to_;
    QByteArray code_ = "PLAIN-" + kInterno;
    sqlite3_stmt* declaration_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    int rows_ = 0;
};

// Reads the outside file directly: one query for every sub-item of the declaration.
int importFromFile(const QString& stock, const QString& outside) {
    Sqlite from(outside, SQLITE_OPEN_READONLY);
    PlainWriter to(stock);
    sqlite3_stmt* read = from.prepare("select idarticulo, id, ncm, cantidad, preciounitario, fob "
                                      "from groupsubitems where interno = ? order by id, idsub");
    bindText(read, 1, kInterno);
    auto text = [&](int column) {
        return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(read, column)),
                          sqlite3_column_bytes(read, column));
    };
    int item = -1, sub = 0;
    while (sqlite3_step(read) == SQLITE_ROW) {
        SubItem row{text(0),
                    text(2),
                    sqlite3_column_int(read, 1),
                    sqlite3_column_double(read, 3),
                    sqlite3_column_double(read, 4),
                    sqlite3_column_double(read, 5)};
        sub = row.id == item ? sub + 1 : 1;
        item = row.id;
        to.write(row, sub);
    }
    sqlite3_finalize(read);
    return to.commit();
}

// The ODBC driver's connection, and statements prepared on it.
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
        if (!SQL_SUCCEEDED(SQLPrepare(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS)))
            fail(QStringLiteral("the ODBC driver does not prepare: %1").arg(QLatin1String(sql)));
        return st;
    }

private:
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
};

// The rows of one executed statement, fetched a block at a time into column arrays the
// driver fills (bound columns, a row array of kBlock rows).
constexpr SQLULEN kBlock = 64;
constexpr SQLLEN kTextRoom = 64;

class BlockCursor {
public:
    explicit BlockCursor(SQLHSTMT st) : st_(st) {
        SQLSetStmtAttr(st_, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
        SQLSetStmtAttr(st_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlock), 0);
        SQLSetStmtAttr(st_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0);
    }
    void bindText(SQLUSMALLINT column, char (*values)[kTextRoom], SQLLEN* lengths) {
        SQLBindCol(st_, column, SQL_C_CHAR, values, kTextRoom, lengths);
    }
    template <typename T> void bind(SQLUSMALLINT column, SQLSMALLINT type, T* values, SQLLEN* lengths) {
        SQLBindCol(st_, column, type, values, sizeof(T), lengths);
    }
    // The rows of the next block; 0 at the end.
    SQLULEN next() { return SQL_SUCCEEDED(SQLFetch(st_)) ? fetched_ : 0; }

private:
    SQLHSTMT st_;
    SQLULEN fetched_ = 0;
};

QByteArray boundText(const char* value, SQLLEN length) {
    return length == SQL_NULL_DATA ? QByteArray() : QByteArray(value, std::min<SQLLEN>(length, kTextRoom - 1));
}

int importThroughOdbc(const QString& stock, const QString& outside) {
    Odbc odbc(outside);
    PlainWriter to(stock);
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
    {
        BlockCursor cursor(items);
        SQLINTEGER value[kBlock];
        SQLLEN length[kBlock];
        cursor.bind(1, SQL_C_SLONG, value, length);
        SQLExecute(items);
        while (const SQLULEN n = cursor.next())
            ids.insert(ids.end(), value, value + n);
        SQLCloseCursor(items);
    }

    BlockCursor cursor(subItems);
    char idarticulo[kBlock][kTextRoom], ncm[kBlock][kTextRoom];
    double cantidad[kBlock], preciounitario[kBlock], fob[kBlock];
    SQLLEN lengths[5][kBlock];
    cursor.bindText(1, idarticulo, lengths[0]);
    cursor.bindText(3, ncm, lengths[1]);
    cursor.bind(4, SQL_C_DOUBLE, cantidad, lengths[2]);
    cursor.bind(5, SQL_C_DOUBLE, preciounitario, lengths[3]);
    cursor.bind(6, SQL_C_DOUBLE, fob, lengths[4]);
    std::vector<SubItem> rows;
    for (const int item : ids) {
        id = item;
        SQLExecute(subItems);
        rows.clear();
        while (const SQLULEN n = cursor.next())
            for (SQLULEN r = 0; r < n; ++r)
                rows.push_back({boundText(idarticulo[r], lengths[0][r]), boundText(ncm[r], lengths[1][r]), item,
                                cantidad[r], preciounitario[r], fob[r]});
        SQLCloseCursor(subItems);
        int sub = rows.size() > 1 ? 1 : 0;
        for (const SubItem& row : rows)
            to.write(row, sub++);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, items);
    SQLFreeHandle(SQL_HANDLE_STMT, subItems);
    return to.commit();
}

struct Setup {
    QTemporaryDir dir;
    QString outside;
    int expected = 0;
    int files = 0;
    QuietBoxes boxes;

    QString freshStock() {
        const QString path = dir.filePath(QStringLiteral("stock-%1.db").arg(++files));
        QString error;
        if (!createLocalDatabase(path, &error))
            fail(error);
        return path;
    }
};
Setup* setup = nullptr;

// Each iteration imports into a fresh stock file made outside the timing.
template <typename Import> void timeImports(benchmark::State& state, Import import) {
    for (auto _ : state) {
        const QString stock = setup->freshStock();
        QElapsedTimer timer;
        timer.start();
        const int rows = import(stock);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (rows != setup->expected)
            fail(QStringLiteral("%1 rows imported, %2 expected").arg(rows).arg(setup->expected));
        QFile::remove(stock);
    }
}

// The helpers fail the run unless every row is stored.
void BM_ImportLibrary(benchmark::State& state) {
    timeImports(state, [](const QString& stock) {
        importAlone(stock, setup->outside, QString::fromLatin1(kInterno), setup->expected);
        return setup->expected;
    });
}

void BM_ImportF11(benchmark::State& state) {
    timeImports(state, [](const QString& stock) {
        importByF11(stock, setup->outside, QString::fromLatin1(kInterno), setup->boxes, setup->expected);
        return setup->expected;
    });
}

void BM_ImportPlainOdbc(benchmark::State& state) {
    timeImports(state, [](const QString& stock) { return importThroughOdbc(stock, setup->outside); });
}

void BM_ImportPlainFile(benchmark::State& state) {
    timeImports(state, [](const QString& stock) { return importFromFile(stock, setup->outside); });
}

} // namespace

BENCHMARK(BM_ImportLibrary)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportF11)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportPlainOdbc)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportPlainFile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const int items = intArgument(argc, argv, "--items", 2000);
    Setup state;
    setup = &state;
    state.outside = state.dir.filePath(QStringLiteral("outside.db"));
    state.expected = items * kSubItems;
    makeOutside(state.outside, kInterno, items, kSubItems);
    // The repetitions of the four benchmarks run interleaved in a random order, so that a
    // load on a shared machine falls on all of them alike; the same flag given on the
    // command line comes later and wins.
    std::vector<char*> args(argv, argv + argc);
    char interleaved[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleaved);
    int count = static_cast<int>(args.size());
    return runWithRatios(count, args.data(), "bench_import_ratio",
                         {{"import of 2,000 items / 10,000 sub-items over ODBC, against plain code reading through "
                           "the same ODBC driver, one transaction",
                           2, "BM_ImportLibrary", "BM_ImportPlainOdbc"},
                          {"a clerk's F11 on the import screen, whole, against the import alone", 1.25, "BM_ImportF11",
                           "BM_ImportLibrary"},
                          {"the import alone, against plain code reading the outside file directly, one transaction", 0,
                           "BM_ImportLibrary", "BM_ImportPlainFile"}});
}
