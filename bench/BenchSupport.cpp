#include "BenchSupport.h"
#include "state/basGlobal.h"
#include "stock/DeclarationImport.h"
#include "stock/frmImportar.h"
#include <QKeyEvent>
#include <QLineEdit>

namespace quendarx::bench {

namespace {

const QString kCode = QStringLiteral("BENCH-");
const QString kDescription = QStringLiteral("Importacion grande");
const QString kDate = QStringLiteral("05/12/2026");

void openLibrary(const QString& stock, const QString& outside, const QString& interno) {
    resetLibraryState();
    LibraryState& g = basGlobal();
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + stock);
    g.conexionLocal().Connect();
    g.g_NumeroInterno = interno;
    g.g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outside;
}

// The import screen shown with its three fields typed, painted before any timing.
frmImportar& typedScreen(const QString& interno) {
    frmImportar& screen = frmImportar::instance();
    screen.showModeless();
    screen.textBox(QStringLiteral("txtINTNDC"))->setText(kCode + interno);
    screen.textBox(QStringLiteral("txtINTDSC"))->setText(kDescription);
    screen.textBox(QStringLiteral("txtINTFOF"))->setText(kDate);
    screen.textBox(QStringLiteral("txtINTFOF"))->setFocus();
    QCoreApplication::processEvents();
    return screen;
}

void checkStored(const QString& stock, int expected) {
    resetLibraryState();
    Sqlite check(stock);
    sqlite3_stmt* st = check.prepare("select count(*) from ARTICULOS where ARTDSC = ARTCAN");
    const int stored = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (stored != expected)
        fail(QStringLiteral("%1 articles stored, %2 expected").arg(stored).arg(expected));
}

void checkSuccess(const QuietBoxes& boxes) {
    if (boxes.shown != QStringList{QStringLiteral("64 Despacho agregado en stock")})
        fail(QStringLiteral("the import ended with: ") + boxes.shown.join(QLatin1String(" / ")));
}

} // namespace

double importThroughScreen(const QString& stock, const QString& outside, const QString& interno, QuietBoxes& boxes,
                           int expected) {
    openLibrary(stock, outside, interno);
    frmImportar& screen = typedScreen(interno);
    boxes.shown.clear();
    QElapsedTimer timer;
    timer.start();
    screen.lp_AgregarInterno();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    checkSuccess(boxes);
    checkStored(stock, expected);
    return ms;
}

double importByF11(const QString& stock, const QString& outside, const QString& interno, QuietBoxes& boxes,
                   int expected) {
    openLibrary(stock, outside, interno);
    QWidget* field = typedScreen(interno).textBox(QStringLiteral("txtINTFOF"));
    boxes.shown.clear();
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F11, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &press);
    QCoreApplication::sendEvent(field, &release);
    QCoreApplication::processEvents();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    checkSuccess(boxes);
    checkStored(stock, expected);
    return ms;
}

double importAlone(const QString& stock, const QString& outside, const QString& interno, int expected) {
    openLibrary(stock, outside, interno);
    Recordset items, subItems;
    QElapsedTimer timer;
    timer.start();
    const ImportOutcome outcome = importDeclaration(kCode + interno, kDescription, kDate, items, subItems);
    items.close();
    subItems.close();
    basGlobal().g_ConexionExterna.reset();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!outcome.done)
        fail(QStringLiteral("the import ended with: ") + outcome.message);
    checkStored(stock, expected);
    return ms;
}

} // namespace quendarx::bench
