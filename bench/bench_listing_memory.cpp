// Peak memory of the cancellation listing of an export declaration with 10,000
// cancellations, printed through the listing screen on the library's printers (a PDF
// printer, so nothing reaches paper). Measured as the process's maximum resident set;
// the baseline is the same process just before the listing (Qt, the library, the
// connection). Target: 60 MB or less.
//
// usage: bench_listing_memory [--rows N]
#include "BenchSupport.h"
#include "platform/Printers.h"
#include "platform/Regional.h"
#include "printing/frmImprimir.h"
#include "state/basGlobal.h"
#include <QFileInfo>
#include <QTemporaryDir>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

const QByteArray kExport = "26001EC01777777L";

// rows cancellations of the export declaration, over 40 items, one per article.
void addListing(const QString& path, int rows) {
    Sqlite db(path);
    db.exec("BEGIN");
    sqlite3_stmt* can = db.prepare("insert into CANCELACIONES values (?, ?, ?, ?, 2.5, ?, ?, '', ?, ?, ?, "
                                   "'2026-03-01 09:15:00')");
    for (int i = 0; i < rows; ++i) {
        const int item = 1 + i * 40 / rows;
        sqlite3_bind_int(can, 1, i + 1);
        bindText(can, 2, declarationCode(i / 5000));
        sqlite3_bind_int(can, 3, 1 + (i % 5000) / 5);
        sqlite3_bind_int(can, 4, (i % 5000) % 5);
        bindText(can, 5, "EXP-" + QByteArray::number(i));
        bindText(can, 6, "CERT-" + QByteArray::number(i) + "-ABCDEFGHIJ");
        if (i % 3)
            sqlite3_bind_int(can, 7, i % 10);
        else
            sqlite3_bind_null(can, 7);
        bindText(can, 8, kExport);
        sqlite3_bind_int(can, 9, item);
        db.run(can);
    }
    sqlite3_finalize(can);
    db.exec("COMMIT");
}

} // namespace

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const int rows = intArgument(argc, argv, "--rows", 10000);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stock.db"));
    makeStock(path, (rows + 4999) / 5000, 5000, 0);
    addListing(path, rows);

    QuietBoxes boxes;
    const QString pdf = dir.filePath(QStringLiteral("listado.pdf"));
    const std::unique_ptr<Printers> printers = Printers::pdfFile(pdf);
    Printers::setInstance(printers.get());
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = QString::fromLatin1(kExport);
    g.g_NombreImpresora = QStringLiteral("PDF");
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path);
    g.conexionLocal().Connect();
    frmImprimir& screen = frmImprimir::instance();
    screen.showModeless();
    QApplication::processEvents();
    const long before = maxRssKb();

    QElapsedTimer timer;
    timer.start();
    screen.lpImprimir();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const long peak = maxRssKb();
    screen.unload();
    Printers::setInstance(nullptr);

    if (boxes.shown != QStringList{QStringLiteral("64 Listo")}) {
        std::fprintf(stderr, "the listing ended with: %s\n", qPrintable(boxes.shown.join(QLatin1String(" / "))));
        return 1;
    }
    std::printf("listing of %d rows printed in %.0f ms (%lld bytes of PDF)\n", rows, ms,
                static_cast<long long>(QFileInfo(pdf).size()));
    std::printf("| work | target | measured | baseline | ratio |\n");
    std::printf("| peak memory, listing of %d rows | <= 60 MB | %.1f MB max RSS | %.1f MB before the listing "
                "| %.2fx | %s\n",
                rows, static_cast<double>(peak) / 1024, static_cast<double>(before) / 1024,
                static_cast<double>(peak) / static_cast<double>(before), peak <= 60 * 1024 ? "met" : "MISSED");
    resetLibraryState();
    return 0;
}
