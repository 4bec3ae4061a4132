// The declarations screen showing 10,000 declarations and the articles screen showing a
// declaration of 10,000 articles: from the showing to the first paint. Baseline: a bare
// QTreeWidget filled with the same cell texts and painted. Target: 150 ms or less each.
//
// usage: bench_screens [--rounds N] [--rows N]
#include "BenchSupport.h"
#include "platform/Regional.h"
#include "state/basGlobal.h"
#include "stock/frmArticulos.h"
#include "stock/frmDespachos.h"
#include <QDialog>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

using Rows = std::vector<QStringList>;

Rows cellTexts(QTreeWidget* list) {
    Rows rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(i)->text(c);
        rows.push_back(cells);
    }
    return rows;
}

// Shows the screen, lets it paint, unloads it; the list's texts in *rows.
void showOnce(Form& screen, Rows* rows) {
    screen.showModeless();
    QApplication::processEvents();
    if (rows)
        *rows = cellTexts(screen.listView(QStringLiteral("lstV")));
    screen.unload();
}

void fillBare(const Rows& rows) {
    QTreeWidget list;
    list.setColumnCount(static_cast<int>(rows.front().size()));
    list.resize(500, 400);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const QStringList& cells : rows)
        items << new QTreeWidgetItem(cells);
    list.addTopLevelItems(items);
    list.setCurrentItem(list.topLevelItem(0));
    list.show();
    QApplication::processEvents();
}

void connect(const QString& path) {
    resetLibraryState();
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path);
    conexion.Connect();
}

void measure(const char* work, Form& screen, int rounds, int expectedRows) {
    Rows rows;
    showOnce(screen, &rows); // warm-up, and the texts the baseline shows
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (static_cast<int>(rows.size()) != expectedRows) {
        std::fprintf(stderr, "%s: the list shows %zu rows, not %d\n", work, rows.size(), expectedRows);
        std::exit(1);
    }
    std::vector<double> measured, baseline;
    for (int i = 0; i < rounds; ++i) {
        measured.push_back(timeRuns(1, [&](int) { showOnce(screen, nullptr); }).front());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        baseline.push_back(timeRuns(1, [&](int) { fillBare(rows); }).front());
    }
    report(work, 150, measured, baseline);
}

} // namespace

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const int rounds = intArgument(argc, argv, "--rounds", 15);
    const int rows = intArgument(argc, argv, "--rows", 10000);
    QuietBoxes boxes;

    QTemporaryDir dir;
    const QString declarations = dir.filePath(QStringLiteral("declarations.db"));
    const QString articles = dir.filePath(QStringLiteral("articles.db"));
    makeStock(declarations, rows, 0, 0);
    makeStock(articles, 1, rows, 0);

    std::printf("| work | target | measured median | baseline median | ratio |\n");
    connect(declarations);
    measure("declarations screen, 10,000 declarations", frmDespachos::instance(), rounds, rows);
    connect(articles);
    basGlobal().g_INTNDC = QString::fromLatin1(declarationCode(0));
    measure("articles screen, 10,000 articles", frmArticulos::instance(), rounds, rows);
    resetLibraryState();
    if (!boxes.shown.isEmpty()) {
        std::fprintf(stderr, "unexpected messages: %s\n", qPrintable(boxes.shown.join(QLatin1String(" / "))));
        return 1;
    }
    return 0;
}
