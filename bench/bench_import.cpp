// Importing the large declaration of the sample outside database (interno 2005: 1,000
// items of 5 sub-items each) into a fresh stock database, through the import screen and
// the SQLite ODBC driver, as a clerk's F11 would. Target: under 2 seconds.
//
// usage: bench_import [--rounds N] [--tool PATH-TO-quendarx-db] [--outside EXISTING.db]
#include "data/Recordset.h"
#include "data/Schema.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

using namespace quendarx;

namespace {

constexpr double kTargetSeconds = 2.0;
const QString kInterno = QStringLiteral("2005");
constexpr int kExpectedArticles = 5000;

class LastMessage : public MessageBoxHandler {
public:
    int show(const QString& text, int style) override {
        last = QString::number(style) + QLatin1Char(' ') + text;
        return vbOK;
    }
    QString last;
};

int fail(const QString& why) {
    std::fprintf(stderr, "bench_import: %s\n", qPrintable(why));
    return 1;
}

QString argument(const QStringList& args, const QString& name, const QString& fallback) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// Imports the declaration once into a new stock database; seconds taken, or < 0.
double importOnce(const QString& stockPath, const QString& outsidePath, LastMessage& boxes,
                  QString* problem) {
    QString error;
    if (!createLocalDatabase(stockPath, &error)) {
        *problem = error;
        return -1;
    }
    resetLibraryState();
    LibraryState& state = basGlobal();
    state.g_UbicacionBaseDatos = stockPath;
    state.conexionLocal().setConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + stockPath);
    state.conexionLocal().Connect();
    state.g_NumeroInterno = kInterno;
    state.g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outsidePath;

    frmImportar& screen = frmImportar::instance();
    screen.showModeless();
    screen.textBox(QStringLiteral("txtINTNDC"))->setText(QStringLiteral("BENCH-2005"));
    screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("1000 x 5"));
    screen.textBox(QStringLiteral("txtINTFOF"))->setText(QStringLiteral("05/12/2026"));

    QElapsedTimer timer;
    timer.start();
    screen.lp_AgregarInterno();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    if (boxes.last != QStringLiteral("64 Despacho agregado en stock")) {
        *problem = QStringLiteral("the import ended with: ") + boxes.last;
        return -1;
    }
    Recordset rs;
    state.conexionLocal().setSql(QStringLiteral("select count(*) as n from ARTICULOS"));
    if (!state.conexionLocal().GetRecordset(rs) ||
        rs.Fields(QStringLiteral("n")).toInt() != kExpectedArticles) {
        *problem =
            QStringLiteral("the stock database does not hold %1 articles").arg(kExpectedArticles);
        return -1;
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QUENDARX_LOG"))
        qputenv("QUENDARX_LOG", "/dev/null");
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    Regional::setLocale(QLocale(QLocale::Spanish, QLocale::Argentina));

    const QStringList args = app.arguments();
    const int rounds =
        std::max(1, argument(args, QStringLiteral("--rounds"), QStringLiteral("5")).toInt());
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("no scratch folder"));

    QString outsidePath = argument(args, QStringLiteral("--outside"), QString());
    if (outsidePath.isEmpty()) {
        outsidePath = dir.filePath(QStringLiteral("outside.db"));
        const QString tool =
            argument(args, QStringLiteral("--tool"),
                     QCoreApplication::applicationDirPath() + QStringLiteral("/quendarx-db"));
        QProcess process;
        process.start(tool, {QStringLiteral("sample-outside"), outsidePath});
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return fail(QStringLiteral("%1 sample-outside failed: %2")
                            .arg(tool, QString::fromLocal8Bit(process.readAllStandardError())));
    }

    LastMessage boxes;
    ScopedMessageBoxHandler scope(&boxes);
    std::vector<double> times;
    for (int round = 1; round <= rounds; ++round) {
        QString problem;
        const double seconds = importOnce(dir.filePath(QStringLiteral("stock-%1.db").arg(round)),
                                          outsidePath, boxes, &problem);
        if (seconds < 0)
            return fail(problem);
        times.push_back(seconds);
        std::printf("round %d: %.3f s\n", round, seconds);
    }
    resetLibraryState();

    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("import of 1000 items x 5 sub-items (%d articles): best %.3f s, median %.3f s, "
                "worst %.3f s; target under %.1f s: %s\n",
                kExpectedArticles, times.front(), median, times.back(), kTargetSeconds,
                median < kTargetSeconds ? "met" : "MISSED");
    return 0;
}
