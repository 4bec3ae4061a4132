// The import of a declaration of 2,000 items and 10,000 sub-items from the outside
// database through the SQLite ODBC driver, as the import screen runs it on F11, against
// the least the same work can cost: the 10,000 rows read from the outside file directly
// and inserted by plain SQLite prepared statements in one transaction. Target: at most
// three times the baseline.
//
// usage: bench_import_ratio [--rounds N] [--items N]
#include "BenchSupport.h"
#include "platform/Regional.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <clocale>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

const QByteArray kInterno = "3000";
constexpr int kSubItems = 5;

void fail(const QString& why) {
    std::fprintf(stderr, "bench_import_ratio: %s\n", qPrintable(why));
    std::exit(1);
}

double importThroughScreen(const QString& stock, const QString& outside, QuietBoxes& boxes, int expected) {
    resetLibraryState();
    LibraryState& g = basGlobal();
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + stock);
    g.conexionLocal().Connect();
    g.g_NumeroInterno = QString::fromLatin1(kInterno);
    g.g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outside;
    frmImportar& screen = frmImportar::instance();
    screen.showModeless();
    screen.textBox(QStringLiteral("txtINTNDC"))->setText(QStringLiteral("26001IC04003000X"));
    screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("Importacion grande"));
    screen.textBox(QStringLiteral("txtINTFOF"))->setText(QStringLiteral("05/12/2026"));
    boxes.shown.clear();
    QElapsedTimer timer;
    timer.start();
    screen.lp_AgregarInterno();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (boxes.shown != QStringList{QStringLiteral("64 Despacho agregado en stock")})
        fail(QStringLiteral("the import ended with: ") + boxes.shown.join(QLatin1String(" / ")));
    Sqlite check(stock);
    sqlite3_stmt* st = check.prepare("select count(*) from ARTICULOS where ARTDSC = ARTCAN");
    const int stored = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (stored != expected)
        fail(QStringLiteral("%1 articles stored, %2 expected").arg(stored).arg(expected));
    resetLibraryState();
    return ms;
}

double importPlainly(const QString& stock, const QString& outside, int expected) {
    QElapsedTimer timer;
    timer.start();
    Sqlite from(outside, SQLITE_OPEN_READONLY);
    Sqlite to(stock);
    sqlite3_stmt* read = from.prepare("select idarticulo, id, ncm, cantidad, preciounitario, fob from groupsubitems "
                                      "where interno = ? order by id, idsub");
    sqlite3_stmt* declaration = to.prepare("insert into OPERACIONES values (?, ?, ?, ?)");
    sqlite3_stmt* insert = to.prepare("insert into ARTICULOS values (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QByteArray code = "26001IC04003000X";
    to.exec("BEGIN");
    bindText(declaration, 1, kInterno);
    bindText(declaration, 2, code);
    bindText(declaration, 3, "Importacion grande");
    bindText(declaration, 4, "2026-12-05");
    to.run(declaration);
    bindText(read, 1, kInterno);
    int rows = 0, item = -1, sub = 0;
    while (sqlite3_step(read) == SQLITE_ROW) {
        const int id = sqlite3_column_int(read, 1);
        sub = id == item ? sub + 1 : 1;
        item = id;
        sqlite3_bind_text(insert, 1, reinterpret_cast<const char*>(sqlite3_column_text(read, 0)), -1, SQLITE_TRANSIENT);
        bindText(insert, 2, code);
        sqlite3_bind_int(insert, 3, id);
        sqlite3_bind_int(insert, 4, sub);
        sqlite3_bind_text(insert, 5, reinterpret_cast<const char*>(sqlite3_column_text(read, 2)), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 6, sqlite3_column_double(read, 3));
        sqlite3_bind_double(insert, 7, sqlite3_column_double(read, 4));
        sqlite3_bind_double(insert, 8, sqlite3_column_double(read, 5));
        sqlite3_bind_double(insert, 9, sqlite3_column_double(read, 3));
        to.run(insert);
        ++rows;
    }
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QUENDARX_LOG"))
        qputenv("QUENDARX_LOG", "/dev/null");
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    ScopedLocale locale(QLocale(QLocale::Spanish, QLocale::Argentina));
    const int rounds = intArgument(argc, argv, "--rounds", 3);
    const int items = intArgument(argc, argv, "--items", 2000);
    const int expected = items * kSubItems;

    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("outside.db"));
    makeOutside(outside, kInterno, items, kSubItems);
    QuietBoxes boxes;
    std::vector<double> measured, baseline;
    for (int round = 0; round < rounds; ++round) {
        auto fresh = [&](const char* kind) {
            const QString path = dir.filePath(QStringLiteral("%1-%2.db").arg(QLatin1String(kind)).arg(round));
            QString error;
            if (!createLocalDatabase(path, &error))
                fail(error);
            return path;
        };
        measured.push_back(importThroughScreen(fresh("screen"), outside, boxes, expected));
        baseline.push_back(importPlainly(fresh("plain"), outside, expected));
        std::printf("round %d: import %.0f ms, plain %.0f ms\n", round + 1, measured.back(), baseline.back());
    }
    std::printf("| work | target | measured median | baseline median | ratio |\n");
    reportRatio("import of 2,000 items / 10,000 sub-items over ODBC", 3, measured, baseline);
    return 0;
}
