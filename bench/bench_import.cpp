// Importing the large declaration of the sample outside database (interno 2005: 1,000
// items of 5 sub-items each) into a fresh stock database, through the import screen and
// the SQLite ODBC driver, as a clerk's F11 would. Target: under 2 seconds.
//
// usage: bench_import [--rounds N] [--tool PATH-TO-quendarx-db] [--outside EXISTING.db]
#include "BenchSupport.h"
#include <QProcess>
#include <QTemporaryDir>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

constexpr double kTargetMs = 2000;
constexpr int kExpectedArticles = 5000;

QString argument(const QStringList& args, const QString& name, const QString& fallback) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

} // namespace

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int rounds = std::max(1, intArgument(argc, argv, "--rounds", 5));
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no scratch folder"));

    QString outsidePath = argument(args, QStringLiteral("--outside"), QString());
    if (outsidePath.isEmpty()) {
        outsidePath = dir.filePath(QStringLiteral("outside.db"));
        const QString tool = argument(args, QStringLiteral("--tool"),
                                      QCoreApplication::applicationDirPath() + QStringLiteral("/quendarx-db"));
        QProcess process;
        process.start(tool, {QStringLiteral("sample-outside"), outsidePath});
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            fail(QStringLiteral("%1 sample-outside failed: %2")
                     .arg(tool, QString::fromLocal8Bit(process.readAllStandardError())));
    }

    QuietBoxes boxes;
    std::vector<double> times;
    for (int round = 1; round <= rounds; ++round) {
        const QString stock = dir.filePath(QStringLiteral("stock-%1.db").arg(round));
        QString error;
        if (!createLocalDatabase(stock, &error))
            fail(error);
        times.push_back(importThroughScreen(stock, outsidePath, QStringLiteral("2005"), boxes, kExpectedArticles));
        std::printf("round %d: %.0f ms\n", round, times.back());
    }
    std::sort(times.begin(), times.end());
    std::printf("import of 1000 items x 5 sub-items (%d articles): best %.0f ms, median %.0f ms, "
                "worst %.0f ms; target under %.0f ms: %s\n",
                kExpectedArticles, times.front(), median(times), times.back(), kTargetMs,
                median(times) < kTargetMs ? "met" : "MISSED");
    return 0;
}
