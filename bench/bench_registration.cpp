// One registration on a stock database holding 100,000 cancellations and their history, on
// Google Benchmark (medians of repetitions, wall and CPU time, JSON in bench_registration.json):
// - BM_RegistrationLibrary: what the registration screen's F11 sends, through clConexion and
//   the statement builders, in one save: the five statements (count, greatest line, insert,
//   total, available) and the history's entry, and the re-read of what is left of the
//   article when the stock changed since the screen read it (the screen's reading when it
//   opens runs first, untimed); timed alone, its CPU column its processor time (cpu_ms);
// - BM_RegistrationPlain, the baseline: the same five by plain SQLite prepared statements
//   in one BEGIN IMMEDIATE transaction, at the library's synchronous=FULL;
// - BM_RegistrationPlainHistory: the baseline and what a plain program needs to write the
//   same history row (the last entry's digest read by its key, a SHA-256 digest, one insert);
// - BM_RegistrationScreen: the registration screen shown offscreen and F11 pressed; its
//   time is the F11's alone, its counters the F11's processor time (cpu_ms, its CPU column), how often
//   it blocked (f11_waits) and how long it stood ready to run while other programs held
//   the processors (f11_queued_ms);
// - BM_RegistrationPlainOnTheScreen, BM_RegistrationPlainHistoryOnTheScreen: the baselines
//   as a plain program's F11 runs them, where the F11 runs (the screen shown, painted and
//   active, the quantity typed): the plain statements, then the same screen hidden as any
//   dialog hides on its way out; timed and counted as the F11. Showing the screen leaves the
//   processor's caches holding the screen, and closing an active window costs Qt as much as
//   the five statements: both are paid by the plain program as by the F11.
// queued_ms of the others is the same wait per round. On a machine shared with other work
// the flush's wake-up waits for a processor: wall time minus queued_ms is what a round takes
// on a processor of its own.
// Target: the library at most 1.5 times the baseline, in wall and in CPU time.
//
// usage: bench_registration [--cancellations N] [Google Benchmark flags]
#include "BenchSupport.h"
#include "cancellations/Registration.h"
#include "cancellations/frmRelArt.h"
#include "data/Statements.h"
#include "platform/Regional.h"
#include "state/basGlobal.h"
#include <QCryptographicHash>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSysInfo>
#include <QTemporaryDir>

using namespace quendarx;
using namespace quendarx::bench;

namespace {

constexpr int kArticlesEach = 5000;
// Each benchmark's rounds and repetitions. A save pays now and then for the checkpoint that
// moves the write-ahead log into the file (a few milliseconds, about once every hundred
// saves): a repetition of the saves holds a thousand of them, so that each holds its share.
// Every round registers on the same export item, whose line orders stay in 16 bits.
constexpr int kSaveRounds = 1000;
constexpr int kSaveRepetitions = 9;
constexpr int kScreenRounds = 100;
constexpr int kScreenRepetitions = 15;
static_assert(3 * (kSaveRounds * kSaveRepetitions + kScreenRounds * kScreenRepetitions) < 32767);
const QString kExport = QStringLiteral("26001EC01999999B");
constexpr int kItem = 1;

// The article a round registers: each round takes an article of its own.
sql::ArticleKey articleOf(int n) {
    return {QString::fromLatin1(declarationCode(n / kArticlesEach)), 1 + (n % kArticlesEach) / 5,
            (n % kArticlesEach) % 5};
}

// The same five statements, prepared once, by plain SQLite.
class PlainRegistration {
public:
    explicit PlainRegistration(const QString& path) : db_(path) {
        db_.exec("PRAGMA synchronous=FULL"); // as the library opens a stock file
        count_ = db_.prepare("select count(LINORD) from CANCELACIONES where INTNDC = ? and ARTINO = ? "
                             "and ARTSNO = ? and EXTNRO = ? and EXTITM = ?");
        max_ = db_.prepare("select max(LINORD) from CANCELACIONES where EXTNRO = ? and EXTITM = ?");
        insert_ = db_.prepare("insert into CANCELACIONES(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,ARTEXP,ARTCER,"
                              "ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) values (?,?,?,?,?,?,?,?,?,?,?,?)");
        sum_ = db_.prepare("select sum(ARTCDS) from CANCELACIONES where INTNDC = ? and ARTINO = ? and ARTSNO = ?");
        update_ = db_.prepare("update ARTICULOS set ARTDSC = ARTCAN - ? where INTNDC = ? and ARTINO = ? "
                              "and ARTSNO = ?");
        last_ = db_.prepare("select ENTRY, DIGEST from HISTORY order by ENTRY desc limit 1");
        entry_ = db_.prepare("insert into HISTORY (ENTRY, STAMP, USERNAME, WORKSTATION, OPERATION, INTNDC, ARTINO, "
                             "ARTSNO, EXTNRO, EXTITM, QUANTITY_BEFORE, QUANTITY_AFTER, REF, NOTE, PREVIOUS, DIGEST) "
                             "values (?,?,?,?,?,?,?,?,?,?,null,?,null,null,?,?)");
    }
    ~PlainRegistration() {
        for (sqlite3_stmt* st : {count_, max_, insert_, sum_, update_, last_, entry_})
            sqlite3_finalize(st);
    }
    PlainRegistration(const PlainRegistration&) = delete;
    PlainRegistration& operator=(const PlainRegistration&) = delete;

    // withHistory: also the history row a plain program would write for the registration.
    bool run(const sql::ArticleKey& key, double quantity, bool withHistory = false) {
        const QByteArray code = key.intndc.toUtf8();
        const QByteArray exportCode = kExport.toUtf8();
        auto bindArticle = [&](sqlite3_stmt* st, int first) {
            bindText(st, first, code);
            sqlite3_bind_int(st, first + 1, key.artino);
            sqlite3_bind_int(st, first + 2, key.artsno);
        };
        db_.exec("BEGIN IMMEDIATE");
        bindArticle(count_, 1);
        bindText(count_, 4, exportCode);
        sqlite3_bind_int(count_, 5, kItem);
        if (firstValue(count_) != 0) {
            db_.exec("COMMIT");
            return false;
        }
        bindText(max_, 1, exportCode);
        sqlite3_bind_int(max_, 2, kItem);
        const int linord = static_cast<int>(firstValue(max_)) + 1;
        sqlite3_bind_int(insert_, 1, linord);
        bindArticle(insert_, 2);
        sqlite3_bind_double(insert_, 5, quantity);
        bindText(insert_, 6, "EXP-BENCH");
        bindText(insert_, 7, "CERT-BENCH");
        bindText(insert_, 8, "31/12/2027");
        sqlite3_bind_int(insert_, 9, 12);
        bindText(insert_, 10, exportCode);
        sqlite3_bind_int(insert_, 11, kItem);
        bindText(insert_, 12, "2026-12-05 10:30:00");
        db_.run(insert_);
        bindArticle(sum_, 1);
        const double total = firstValue(sum_);
        sqlite3_bind_double(update_, 1, total);
        bindArticle(update_, 2);
        db_.run(update_);
        const bool updated = sqlite3_changes(db_.get()) == 1;
        if (withHistory)
            writeHistory(code, key, exportCode, quantity);
        db_.exec("COMMIT");
        return updated;
    }

private:
    void writeHistory(const QByteArray& code, const sql::ArticleKey& key, const QByteArray& exportCode,
                      double quantity) {
        sqlite3_int64 number = 1;
        QByteArray previous;
        if (sqlite3_step(last_) == SQLITE_ROW) {
            number = sqlite3_column_int64(last_, 0) + 1;
            previous = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(last_, 1)),
                                  sqlite3_column_bytes(last_, 1));
        }
        sqlite3_reset(last_);
        const QByteArray stamp = "2026-12-05 10:30:00";
        const QByteArray quantityText = QByteArray::number(quantity, 'g', 17);
        const QByteArray content = QByteArray::number(number) + '\x1f' + stamp + '\x1f' + user_ + '\x1f' + host_ +
                                   "\x1fregistration\x1f" + code + '\x1f' + QByteArray::number(key.artino) + '\x1f' +
                                   QByteArray::number(key.artsno) + '\x1f' + exportCode + '\x1f' +
                                   QByteArray::number(kItem) + "\x1f\x1f" + quantityText + "\x1f\x1f\x1f" + previous;
        const QByteArray digest = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
        sqlite3_bind_int64(entry_, 1, number);
        bindText(entry_, 2, stamp);
        bindText(entry_, 3, user_);
        bindText(entry_, 4, host_);
        bindText(entry_, 5, "registration");
        bindText(entry_, 6, code);
        sqlite3_bind_int(entry_, 7, key.artino);
        sqlite3_bind_int(entry_, 8, key.artsno);
        bindText(entry_, 9, exportCode);
        sqlite3_bind_int(entry_, 10, kItem);
        sqlite3_bind_double(entry_, 11, quantity);
        bindText(entry_, 12, previous);
        bindText(entry_, 13, digest);
        db_.run(entry_);
    }

    double firstValue(sqlite3_stmt* st) {
        double value = 0;
        if (sqlite3_step(st) == SQLITE_ROW)
            value = sqlite3_column_double(st, 0);
        sqlite3_reset(st);
        return value;
    }

    Sqlite db_;
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* max_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* sum_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
    sqlite3_stmt* last_ = nullptr;
    sqlite3_stmt* entry_ = nullptr;
    const QByteArray user_ = qgetenv("USER").isEmpty() ? QByteArray("clerk") : qgetenv("USER");
    const QByteArray host_ = QSysInfo::machineHostName().toUtf8();
};

// What one F11 took.
struct F11Time {
    double wallMs = 0;
    double cpuMs = 0;
    long waits = 0;      // voluntary context switches: the thread waited for something
    double queuedMs = 0; // ready to run, waiting for a processor that other programs held
};

// Milliseconds this thread has waited, ready to run, for a processor (the kernel's
// scheduler statistics; 0 where they are missing).
double threadQueuedMs() {
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
    return fields.size() >= 2 ? fields[1].toDouble() / 1e6 : 0;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

long threadWaits() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// What `work` took, in *time; true when it went right.
// `scheduling`: also its waits and its time queued, which the kernel's statistics give
// through a file read before and after (leaving the caches colder for the next round).
template <typename Work> bool timeRound(F11Time* time, Work work, bool scheduling = true) {
    const double queued = scheduling ? threadQueuedMs() : 0;
    const long waits = scheduling ? threadWaits() : 0;
    const double cpu = threadCpuMs();
    QElapsedTimer timer;
    timer.start();
    const bool done = work();
    time->wallMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    time->cpuMs = threadCpuMs() - cpu;
    if (scheduling) {
        time->waits = threadWaits() - waits;
        time->queuedMs = threadQueuedMs() - queued;
    }
    return done;
}

// The registration's save as F11 on the registration screen runs it, timed alone: the
// screen's reading, when it opened, of what is left of the article comes first, untimed.
bool registerThroughLibrary(const sql::ArticleKey& key, double quantity, F11Time* time) {
    LibraryState& g = basGlobal();
    Registration r;
    r.article = key;
    r.exportItem = {kExport, kItem};
    r.quantity = quantity;
    r.artexp = QStringLiteral("EXP-BENCH");
    r.artcer = QStringLiteral("CERT-BENCH");
    r.artven = QStringLiteral("31/12/2027");
    r.artord = QStringLiteral("12");
    r.known = readKnownLeft(g.conexionLocal(), g.valores(), sql::quantitiesOfArticle(key));
    return timeRound(
        time, [&] { return !registerCancellation(g.conexionLocal(), g.valores(), r); }, false);
}

// What `work` took, timed alone, once the registration screen for the article is shown with
// the quantity typed (the screen is closed afterwards if it is still open). True when `work`
// and the closing went right.
template <typename Work> bool timedOnTheScreen(const sql::ArticleKey& key, F11Time* f11, Work work) {
    LibraryState& g = basGlobal();
    g.g_INTNDC = key.intndc;
    g.g_ARTINO = key.artino;
    g.g_ARTSNO = key.artsno;
    g.g_CantidadDescontada.clear();
    frmRelArt& screen = frmRelArt::instance();
    screen.showModeless();
    QLineEdit* quantity = screen.textBox(QStringLiteral("txtDescuento"));
    quantity->setText(QStringLiteral("1,00"));
    // As the clerk has it when he presses F11: painted, active, nothing left to do.
    QCoreApplication::processEvents();
    const bool done = timeRound(f11, [&] { return work(screen, quantity); });
    if (screen.isLoaded())
        screen.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done;
}

// F11 on the registration screen; out of line, so that a profiler can collect it alone
// (valgrind --tool=callgrind --toggle-collect='*pressF11*').
[[gnu::noinline]] bool pressF11(frmRelArt& screen, QLineEdit* quantity) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QApplication::sendEvent(quantity, &press);
    return !screen.isLoaded() && !basGlobal().g_CantidadDescontada.isEmpty();
}

// The registration screen for one article: shown, quantity typed, F11. What the F11 alone
// took in *f11.
bool registerThroughScreen(const sql::ArticleKey& key, F11Time* f11) { return timedOnTheScreen(key, f11, pressF11); }

// What the benchmarks share: one stock file, the library connected to it, the baseline's
// handle, and the next article to register (each registration takes one of its own).
struct Run {
    QString path;
    std::unique_ptr<PlainRegistration> plain;
    int next = 0;
    int failures = 0;
};
Run* run = nullptr;

void BM_RegistrationLibrary(benchmark::State& state) {
    const double queued = threadQueuedMs();
    double cpuMs = 0;
    for (auto _ : state) {
        F11Time save;
        run->failures += !registerThroughLibrary(articleOf(run->next++), 1, &save);
        state.SetIterationTime(save.wallMs / 1000);
        cpuMs += save.cpuMs;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
    state.counters["queued_ms"] = benchmark::Counter(threadQueuedMs() - queued, benchmark::Counter::kAvgIterations);
}

void BM_RegistrationPlain(benchmark::State& state) {
    const double queued = threadQueuedMs();
    for (auto _ : state)
        run->failures += !run->plain->run(articleOf(run->next++), 1);
    state.counters["queued_ms"] = benchmark::Counter(threadQueuedMs() - queued, benchmark::Counter::kAvgIterations);
}

void BM_RegistrationPlainHistory(benchmark::State& state) {
    const double queued = threadQueuedMs();
    for (auto _ : state)
        run->failures += !run->plain->run(articleOf(run->next++), 1, true);
    state.counters["queued_ms"] = benchmark::Counter(threadQueuedMs() - queued, benchmark::Counter::kAvgIterations);
}

// The F11's rounds and a plain program's F11 on the same screen: right after the screen was
// shown, the processor's caches holding the screen rather than the statements.
enum class OnTheScreen { F11, Plain, PlainHistory };

template <OnTheScreen kWhat> void screenRounds(benchmark::State& state) {
    double cpuMs = 0;
    double waits = 0;
    double queuedMs = 0;
    for (auto _ : state) {
        F11Time f11;
        const sql::ArticleKey key = articleOf(run->next++);
        if constexpr (kWhat == OnTheScreen::F11)
            run->failures += !registerThroughScreen(key, &f11);
        else
            run->failures += !timedOnTheScreen(key, &f11, [&](frmRelArt& screen, QLineEdit*) {
                const bool done = run->plain->run(key, 1, kWhat == OnTheScreen::PlainHistory);
                screen.window()->hide();
                return done;
            });
        state.SetIterationTime(f11.wallMs / 1000);
        cpuMs += f11.cpuMs;
        waits += static_cast<double>(f11.waits);
        queuedMs += f11.queuedMs;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
    state.counters["f11_waits"] = benchmark::Counter(waits, benchmark::Counter::kAvgIterations);
    state.counters["f11_queued_ms"] = benchmark::Counter(queuedMs, benchmark::Counter::kAvgIterations);
}

void BM_RegistrationScreen(benchmark::State& state) { screenRounds<OnTheScreen::F11>(state); }
void BM_RegistrationPlainOnTheScreen(benchmark::State& state) { screenRounds<OnTheScreen::Plain>(state); }
void BM_RegistrationPlainHistoryOnTheScreen(benchmark::State& state) { screenRounds<OnTheScreen::PlainHistory>(state); }

} // namespace

BENCHMARK(BM_RegistrationLibrary)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kSaveRounds)
    ->Repetitions(kSaveRepetitions)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RegistrationPlain)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kSaveRounds)
    ->Repetitions(kSaveRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RegistrationPlainHistory)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kSaveRounds)
    ->Repetitions(kSaveRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RegistrationScreen)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kScreenRounds)
    ->Repetitions(kScreenRepetitions)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RegistrationPlainOnTheScreen)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kScreenRounds)
    ->Repetitions(kScreenRepetitions)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RegistrationPlainHistoryOnTheScreen)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kScreenRounds)
    ->Repetitions(kScreenRepetitions)
    ->UseManualTime()
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    BenchApp app(argc, argv);
    const int cancellations = intArgument(argc, argv, "--cancellations", 100000);
    QTemporaryDir dir;
    Run state;
    run = &state;
    state.path = dir.filePath(QStringLiteral("stock.db"));
    QElapsedTimer setup;
    setup.start();
    makeStock(state.path, (cancellations + kArticlesEach - 1) / kArticlesEach, kArticlesEach, cancellations);
    // A stock that kept its history from the start has an entry for each cancellation.
    {
        Sqlite db(state.path);
        db.exec("PRAGMA synchronous=OFF; BEGIN; insert into HISTORY select rowid, '2026-03-01 09:15:00', 'clerk', "
                "'ws-1', 'registration', INTNDC, ARTINO, ARTSNO, EXTNRO, EXTITM, null, ARTCDS, null, null, "
                "printf('%064d', rowid - 1), printf('%064d', rowid) from CANCELACIONES order by rowid; COMMIT");
    }
    std::printf("stock database with %d cancellations and their history made in %.1f s\n", cancellations,
                static_cast<double>(setup.elapsed()) / 1000);

    QuietBoxes boxes;
    resetLibraryState();
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = kExport;
    g.g_Item = kItem;
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + state.path);
    g.conexionLocal().Connect();
    state.plain = std::make_unique<PlainRegistration>(state.path);

    const int status = runWithRatios(
        argc, argv, "bench_registration",
        {{"one registration at 100,000 cancellations as F11 saves it (five statements, history entry), against the "
          "five plain SQLite statements",
          1.5, "BM_RegistrationLibrary", "BM_RegistrationPlain", true},
         {"the same, against the five plain statements and a plain history row", 0, "BM_RegistrationLibrary",
          "BM_RegistrationPlainHistory"},
         {"the registration screen's F11, against the five plain SQLite statements", 1.5, "BM_RegistrationScreen",
          "BM_RegistrationPlain", true},
         {"the registration screen's F11, against the five plain statements and a plain history row", 0,
          "BM_RegistrationScreen", "BM_RegistrationPlainHistory"},
         {"the registration screen's F11, against a plain F11 on the same screen: the five plain statements, the "
          "screen hidden",
          1.5, "BM_RegistrationScreen", "BM_RegistrationPlainOnTheScreen", true},
         {"the registration screen's F11, against a plain F11 on the same screen with the history row", 0,
          "BM_RegistrationScreen", "BM_RegistrationPlainHistoryOnTheScreen"}});
    if (state.failures > 0 || !boxes.shown.isEmpty()) {
        std::fprintf(stderr, "bench_registration: %d registrations failed; boxes: %s\n", state.failures,
                     qPrintable(boxes.shown.join(QLatin1String(" / "))));
        return 1;
    }
    state.plain.reset();
    resetLibraryState();
    return status;
}
