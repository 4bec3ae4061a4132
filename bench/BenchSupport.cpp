#include "BenchSupport.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <QLineEdit>

namespace quendarx::bench {

double importThroughScreen(const QString& stock, const QString& outside, const QString& interno, QuietBoxes& boxes,
                           int expected) {
    resetLibraryState();
    LibraryState& g = basGlobal();
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + stock);
    g.conexionLocal().Connect();
    g.g_NumeroInterno = interno;
    g.g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outside;
    frmImportar& screen = frmImportar::instance();
    screen.showModeless();
    screen.textBox(QStringLiteral("txtINTNDC"))->setText(QStringLiteral("BENCH-") + interno);
    screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("Importacion grande"));
    screen.textBox(QStringLiteral("txtINTFOF"))->setText(QStringLiteral("05/12/2026"));
    boxes.shown.clear();
    QElapsedTimer timer;
    timer.start();
    screen.lp_AgregarInterno();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (boxes.shown != QStringList{QStringLiteral("64 Despacho agregado en stock")})
        fail(QStringLiteral("the import ended with: ") + boxes.shown.join(QLatin1String(" / ")));
    resetLibraryState();
    Sqlite check(stock);
    sqlite3_stmt* st = check.prepare("select count(*) from ARTICULOS where ARTDSC = ARTCAN");
    const int stored = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (stored != expected)
        fail(QStringLiteral("%1 articles stored, %2 expected").arg(stored).arg(expected));
    return ms;
}

} // namespace quendarx::bench
