#pragma once
// What the scale benchmarks share: timing with medians, stock and outside databases of a
// given size written straight through SQLite, the result line each hand-timed benchmark
// prints (work, target, median, baseline median, ratio), and the ratio table of those on
// Google Benchmark.
#include "data/Schema.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace quendarx::bench {

// What every benchmark runs in: a headless application, the library's log silenced
// unless asked for, the C library's number format and es_AR for the library.
class BenchApp {
public:
    BenchApp(int& argc, char** argv) : app_(prepared(argc), argv) { std::setlocale(LC_ALL, "C"); }

private:
    static int& prepared(int& argc) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("QUENDARX_LOG"))
            qputenv("QUENDARX_LOG", "/dev/null");
        return argc;
    }
    QApplication app_;
    ScopedLocale locale_{QLocale(QLocale::Spanish, QLocale::Argentina)};
};

[[noreturn]] inline void fail(const QString& why) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(why));
    std::exit(1);
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Milliseconds of each of `rounds` runs of work.
inline std::vector<double> timeRuns(int rounds, const std::function<void(int)>& work) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(rounds));
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        work(i);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

// One line of the results table, in milliseconds.
inline void report(const char* work, double targetMs, const std::vector<double>& measured,
                   const std::vector<double>& baseline) {
    const double m = median(measured);
    const double b = median(baseline);
    std::printf("| %s | <= %.0f ms | %.3f ms | %.3f ms | %.2fx | %s\n", work, targetMs, m, b, b > 0 ? m / b : 0.0,
                m <= targetMs ? "met" : "MISSED");
    std::fflush(stdout);
}

// Google Benchmark's console output, keeping the median of each benchmark's repetitions
// so the program can set the library against its baseline of the same run. A benchmark
// that times only part of each round (manual time) gives that part's processor time in
// its counter "cpu_ms", which then stands for its CPU time.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
                const auto own = run.counters.find("cpu_ms");
                cpuMedians_[run.run_name.function_name] = own != run.counters.end() ? own->second.value
                                                                                    : run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    double median(const std::string& name) const { return find(medians_, name); }
    double cpuMedian(const std::string& name) const { return find(cpuMedians_, name); }

private:
    static double find(const std::map<std::string, double>& values, const std::string& name) {
        const auto found = values.find(name);
        return found == values.end() ? 0 : found->second;
    }
    std::map<std::string, double> medians_, cpuMedians_;
};

// One line of the ratio table: the medians of two benchmarks of the run.
struct RatioRow {
    const char* work;
    double target; // 0: reported only
    const char* measured;
    const char* baseline;
    bool cpuToo = false; // the target holds for the CPU time as well as the wall time
};

// Runs the registered benchmarks (Google Benchmark's flags apply; the JSON of the run
// goes to NAME.json unless --benchmark_out says otherwise) and prints the ratio table.
// Returns the process exit code: 1 when a target is missed.
inline int runWithRatios(int argc, char** argv, const char* name, const std::vector<RatioRow>& rows) {
    std::vector<char*> args(argv, argv + argc);
    std::string out = std::string("--benchmark_out=") + name + ".json";
    std::string format = "--benchmark_out_format=json";
    bool hasOut = false;
    for (char* arg : args)
        hasOut = hasOut || std::string(arg).rfind("--benchmark_out=", 0) == 0;
    if (!hasOut) {
        args.push_back(out.data());
        args.push_back(format.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n| work | target | measured median | baseline median | ratio | CPU measured | CPU baseline | CPU "
                "ratio |\n|---|---|---|---|---|---|---|---|\n");
    bool met = true;
    for (const RatioRow& row : rows) {
        const double m = reporter.median(row.measured), b = reporter.median(row.baseline);
        if (m <= 0 || b <= 0) { // one side left out by --benchmark_filter
            std::printf("| %s | not run |\n", row.work);
            continue;
        }
        const double cm = reporter.cpuMedian(row.measured), cb = reporter.cpuMedian(row.baseline);
        const double ratio = b > 0 ? m / b : 0;
        const double cpuRatio = cb > 0 ? cm / cb : 0;
        const bool ok = row.target <= 0 || (ratio <= row.target && (!row.cpuToo || cpuRatio <= row.target));
        met = met && ok;
        const QByteArray target = row.target > 0 ? "<= " + QByteArray::number(row.target) + "x" : "(none)";
        std::printf("| %s | %s | %.3f ms | %.3f ms | %.2fx | %.3f ms | %.3f ms | %.2fx %s |\n", row.work,
                    target.constData(), m, b, ratio, cm, cb, cpuRatio,
                    row.target <= 0 ? ""
                    : ok            ? "met"
                                    : "MISSED");
    }
    std::fflush(stdout);
    return met ? 0 : 1;
}

inline long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline int intArgument(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == name)
            return std::atoi(argv[i + 1]);
    return fallback;
}

// A plain SQLite handle.
class Sqlite {
public:
    explicit Sqlite(const QString& path, int flags = SQLITE_OPEN_READWRITE) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        sqlite3_busy_timeout(db_, 8000);
    }
    ~Sqlite() { sqlite3_close_v2(db_); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    sqlite3* get() const { return db_; }
    void exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string reason = error ? error : "error";
            sqlite3_free(error);
            throw std::runtime_error(reason + " in: " + sql);
        }
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
        return st;
    }
    // Steps a statement to its end and resets it; throws on an engine error.
    void run(sqlite3_stmt* st) {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db_));
        sqlite3_reset(st);
    }

private:
    sqlite3* db_ = nullptr;
};

inline void bindText(sqlite3_stmt* st, int i, const QByteArray& text) {
    sqlite3_bind_text(st, i, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Declaration codes, article rows and cancellations as a clerk's stock database holds them.
inline QByteArray declarationCode(int d) { return "26001IC04" + QByteArray::number(d).rightJustified(6, '0') + "K"; }
inline QByteArray exportCode(int e) { return "26001EC01" + QByteArray::number(e).rightJustified(6, '0') + "T"; }

// A new stock database at path: `declarations` declarations of `articlesEach` articles,
// and `cancellations` cancellations spread over those articles (one per article and export
// item) against export declarations of 100 items. The texts are padded by `padding`
// characters to reach a file size.
inline void makeStock(const QString& path, int declarations, int articlesEach, int cancellations, int padding = 0) {
    QString error;
    if (!createLocalDatabase(path, &error))
        throw std::runtime_error(error.toStdString());
    Sqlite db(path);
    db.exec("PRAGMA synchronous=OFF; BEGIN");
    sqlite3_stmt* op = db.prepare("insert into OPERACIONES values (?, ?, ?, ?)");
    sqlite3_stmt* art = db.prepare("insert into ARTICULOS values (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* can = db.prepare(
        "insert into CANCELACIONES values (?, ?, ?, ?, ?, ?, ?, '', NULL, ?, ?, '2026-03-01 09:15:00')");
    const QByteArray pad(padding, 'x');
    for (int d = 0; d < declarations; ++d) {
        const QByteArray code = declarationCode(d);
        bindText(op, 1, QByteArray::number(100000 + d));
        bindText(op, 2, code);
        bindText(op, 3, "Importacion de repuestos " + QByteArray::number(d) + pad);
        bindText(op, 4,
                 "20" + QByteArray::number(20 + d % 7) + "-" + QByteArray::number(1 + d % 12).rightJustified(2, '0') +
                     "-" + QByteArray::number(1 + d % 28).rightJustified(2, '0'));
        db.run(op);
        for (int a = 0; a < articlesEach; ++a) {
            bindText(art, 1, "ART-" + QByteArray::number(a) + pad);
            bindText(art, 2, code);
            sqlite3_bind_int(art, 3, 1 + a / 5);
            sqlite3_bind_int(art, 4, a % 5);
            bindText(art, 5, "8471.30.00");
            sqlite3_bind_double(art, 6, 1000);
            sqlite3_bind_double(art, 7, 1.5);
            sqlite3_bind_double(art, 8, 1500);
            sqlite3_bind_double(art, 9, 1000);
            db.run(art);
        }
    }
    // Cancellation i: article i % articles; every 50 articles share an export item, export
    // declarations have 100 items, line orders are numbered per export item.
    const int articles = declarations * articlesEach;
    std::vector<int> lines;
    for (int i = 0; i < cancellations; ++i) {
        const int article = i % articles;
        const int round = i / articles;
        const int exportItem = (article / 50) * 7 + round;
        const int e = exportItem / 100;
        const int item = 1 + exportItem % 100;
        if (static_cast<int>(lines.size()) <= exportItem)
            lines.resize(static_cast<std::size_t>(exportItem) + 1, 0);
        sqlite3_bind_int(can, 1, ++lines[static_cast<std::size_t>(exportItem)]);
        bindText(can, 2, declarationCode(article / articlesEach));
        sqlite3_bind_int(can, 3, 1 + (article % articlesEach) / 5);
        sqlite3_bind_int(can, 4, (article % articlesEach) % 5);
        sqlite3_bind_double(can, 5, 1.25);
        bindText(can, 6, "EXP-" + QByteArray::number(i) + pad);
        bindText(can, 7, "CERT-" + QByteArray::number(i));
        bindText(can, 8, exportCode(e));
        sqlite3_bind_int(can, 9, item);
        db.run(can);
    }
    sqlite3_finalize(op);
    sqlite3_finalize(art);
    sqlite3_finalize(can);
    db.exec("COMMIT");
    // What is available after the cancellations, as the library keeps it.
    db.exec("BEGIN; UPDATE ARTICULOS SET ARTDSC = ARTCAN - coalesce((select round(sum(ARTCDS), 2) "
            "from CANCELACIONES c where c.INTNDC = ARTICULOS.INTNDC and c.ARTINO = ARTICULOS.ARTINO "
            "and c.ARTSNO = ARTICULOS.ARTSNO), 0); COMMIT");
}

// The outside customs database: `items` items of `subItems` sub-items for one internal
// number (and as many for another, so the reads have to pick theirs).
inline void makeOutside(const QString& path, const QByteArray& interno, int items, int subItems) {
    Sqlite db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("PRAGMA synchronous=OFF; BEGIN;"
            "CREATE TABLE item (id INTEGER NOT NULL, interno TEXT NOT NULL, posicion TEXT,"
            " descripcion TEXT, paisorigen TEXT);"
            "CREATE TABLE groupsubitems (interno TEXT NOT NULL, id INTEGER NOT NULL, idsub INTEGER NOT NULL,"
            " idarticulo TEXT, ncm TEXT, cantidad REAL, preciounitario REAL, fob REAL, unidad TEXT,"
            " descripcion TEXT);"
            "CREATE INDEX item_interno ON item (interno, id);"
            "CREATE INDEX groupsubitems_interno ON groupsubitems (interno, id, idsub);");
    sqlite3_stmt* item = db.prepare("insert into item values (?, ?, '8471.30.00', 'Item', 'CN')");
    sqlite3_stmt* sub = db.prepare(
        "insert into groupsubitems values (?, ?, ?, ?, '8471.30.00', ?, ?, ?, 'UN', 'Sub-item')");
    for (const QByteArray& number : {interno, interno + "9"}) {
        for (int i = 1; i <= items; ++i) {
            sqlite3_bind_int(item, 1, i);
            bindText(item, 2, number);
            db.run(item);
            for (int s = 1; s <= subItems; ++s) {
                bindText(sub, 1, number);
                sqlite3_bind_int(sub, 2, i);
                sqlite3_bind_int(sub, 3, s);
                bindText(sub, 4, "ART-" + QByteArray::number(i) + "-" + QByteArray::number(s));
                sqlite3_bind_double(sub, 5, 10 + s);
                sqlite3_bind_double(sub, 6, 1.2345);
                sqlite3_bind_double(sub, 7, (10 + s) * 1.2345);
                db.run(sub);
            }
        }
    }
    sqlite3_finalize(item);
    sqlite3_finalize(sub);
    db.exec("COMMIT");
}

// Message boxes answered at once and remembered, so a benchmark can check its outcome.
class QuietBoxes : public MessageBoxHandler {
public:
    QuietBoxes() : scope_(this) {}
    int show(const QString& text, int style) override {
        shown << QString::number(style) + QLatin1Char(' ') + text;
        return vbOK;
    }
    QStringList shown;

private:
    ScopedMessageBoxHandler scope_;
};

// Milliseconds of one import through the import screen, as a clerk's F11 runs it: the
// declaration `interno` of the outside database into the fresh stock database `stock`.
// Fails the benchmark unless the screen reports success and `expected` articles are
// stored whole.
double importThroughScreen(const QString& stock, const QString& outside, const QString& interno, QuietBoxes& boxes,
                           int expected);
// The same, the clerk's F11 typed on the shown screen: from the key to the end of the
// events it leaves (the message, the screen closed, the paints).
double importByF11(const QString& stock, const QString& outside, const QString& interno, QuietBoxes& boxes,
                   int expected);
// The import alone, without its screen: the library's importDeclaration.
double importAlone(const QString& stock, const QString& outside, const QString& interno, int expected);

} // namespace quendarx::bench
