// The import of a declaration of 2,000 items and 10,000 sub-items from the outside
// database through the SQLite ODBC driver, as the import screen runs it on F11, against
// two baselines timed in the same run, both reading the rows from the outside file
// directly and inserting them with plain SQLite prepared statements:
// - in one transaction: the least the work can cost (target: at most three times it);
// - one commit a row, with the library's disk flushing: the least it can cost when every
//   statement is committed on its own, as the library's import does (it opens no
//   transaction, so a stop keeps the articles saved so far).
//
// usage: bench_import_ratio [--rounds N] [--items N]
#include "BenchSupport.h"
#include <QTemporaryDir>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

const QByteArray kInterno = "3000";
constexpr int kSubItems = 5;

enum class Commit { Once, EachRow };

double importPlainly(const QString& stock, const QString& outside, int expected, Commit commit) {
    QElapsedTimer timer;
    timer.start();
    Sqlite from(outside, SQLITE_OPEN_READONLY);
    Sqlite to(stock);
    to.exec("PRAGMA synchronous=NORMAL");
    sqlite3_stmt* read = from.prepare("select idarticulo, id, ncm, cantidad, preciounitario, fob "
                                      "from groupsubitems where interno = ? order by id, idsub");
    sqlite3_stmt* declaration = to.prepare("insert into OPERACIONES values (?, ?, ?, ?)");
    sqlite3_stmt* insert = to.prepare("insert into ARTICULOS values (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QByteArray code = "PLAIN-" + kInterno;
    if (commit == Commit::Once)
        to.exec("BEGIN");
    bindText(declaration, 1, kInterno);
    bindText(declaration, 2, code);
    bindText(declaration, 3, "Importacion grande");
    bindText(declaration, 4, "2026-12-05");
    to.run(declaration);
    bindText(read, 1, kInterno);
    int rows = 0, item = -1, sub = 0;
    auto text = [&](int column) { return reinterpret_cast<const char*>(sqlite3_column_text(read, column)); };
    while (sqlite3_step(read) == SQLITE_ROW) {
        const int id = sqlite3_column_int(read, 1);
        sub = id == item ? sub + 1 : 1;
        item = id;
        sqlite3_bind_text(insert, 1, text(0), -1, SQLITE_TRANSIENT);
        bindText(insert, 2, code);
        sqlite3_bind_int(insert, 3, id);
        sqlite3_bind_int(insert, 4, sub);
        sqlite3_bind_text(insert, 5, text(2), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 6, sqlite3_column_double(read, 3));
        sqlite3_bind_double(insert, 7, sqlite3_column_double(read, 4));
        sqlite3_bind_double(insert, 8, sqlite3_column_double(read, 5));
        sqlite3_bind_double(insert, 9, sqlite3_column_double(read, 3));
        to.run(insert);
        ++rows;
    }
    if (commit == Commit::Once)
        to.exec("COMMIT");
    for (sqlite3_stmt* st : {read, declaration, insert})
        sqlite3_finalize(st);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (rows != expected)
        fail(QStringLiteral("the plain import read %1 rows").arg(rows));
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const int rounds = intArgument(argc, argv, "--rounds", 3);
    const int items = intArgument(argc, argv, "--items", 2000);
    const int expected = items * kSubItems;

    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("outside.db"));
    makeOutside(outside, kInterno, items, kSubItems);
    QuietBoxes boxes;
    std::vector<double> measured, once, eachRow;
    for (int round = 0; round < rounds; ++round) {
        auto fresh = [&](const char* kind) {
            const QString path = dir.filePath(QStringLiteral("%1-%2.db").arg(QLatin1String(kind)).arg(round));
            QString error;
            if (!createLocalDatabase(path, &error))
                fail(error);
            return path;
        };
        measured.push_back(importThroughScreen(fresh("screen"), outside, QString::fromLatin1(kInterno), boxes,
                                               expected));
        once.push_back(importPlainly(fresh("once"), outside, expected, Commit::Once));
        eachRow.push_back(importPlainly(fresh("each"), outside, expected, Commit::EachRow));
        std::printf("round %d: import %.0f ms, plain in one transaction %.0f ms, plain with a commit a row %.0f ms\n",
                    round + 1, measured.back(), once.back(), eachRow.back());
    }
    std::printf("| work | target | measured median | baseline median | ratio |\n");
    reportRatio("import of 2,000 items / 10,000 sub-items over ODBC, against one transaction", 3, measured, once);
    reportRatio("the same, against a commit a row", 3, measured, eachRow);
    return 0;
}
