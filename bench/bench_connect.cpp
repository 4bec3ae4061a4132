// Conectar_DB on a stock database of about 100 MB, through clcancelMain as the host calls
// it. Baseline: opening the same file with plain SQLite and reading its table names.
// Target: a median of 20 ms or less.
//
// usage: bench_connect [--rounds N] [--megabytes N]
#include "BenchSupport.h"
#include "automation/clcancelMain.h"
#include "state/basGlobal.h"
#include <QFileInfo>
#include <QTemporaryDir>

using namespace quendarx;
using namespace quendarx::bench;

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const int rounds = intArgument(argc, argv, "--rounds", 50);
    const int megabytes = intArgument(argc, argv, "--megabytes", 100);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stock.db"));
    // About 330 bytes a cancellation with its indexes and padded texts.
    const int cancellations = megabytes * 3000;
    makeStock(path, 12, 5000, cancellations, 120);
    const double size = static_cast<double>(QFileInfo(path).size()) / (1024.0 * 1024.0);
    std::printf("stock database of %.1f MB (%d cancellations)\n", size, cancellations);

    QuietBoxes boxes;
    clcancelMain host;
    host.Ubicacion_Base_Datos(path);
    std::vector<double> measured, baseline;
    bool connected = true;
    for (int i = 0; i < rounds; ++i) {
        measured.push_back(timeRuns(1, [&](int) { connected = connected && host.Conectar_DB(); }).front());
        baseline.push_back(timeRuns(1, [&](int) {
                               Sqlite plain(path);
                               sqlite3_stmt* st = plain.prepare("select name from sqlite_master where type = 'table'");
                               plain.run(st);
                               sqlite3_finalize(st);
                           }).front());
    }
    if (!connected || !boxes.shown.isEmpty()) {
        std::fprintf(stderr, "Conectar_DB failed: %s\n", qPrintable(boxes.shown.join(QLatin1String(" / "))));
        return 1;
    }
    std::printf("| work | target | measured median | baseline median | ratio |\n");
    report("Conectar_DB on a 100 MB stock database", 20, measured, baseline);
    resetLibraryState();
    return 0;
}
