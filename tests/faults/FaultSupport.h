#pragma once
// What the fault tests share: the clerk process (qx_fault_worker), stock and outside
// databases with the rows the tests need, the checks every fault ends with, and a
// fixture with the library's log captured in a file.
#include "Clerk.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quendarx::test {

// Declaration D-1 with articles 1..articles (sub-item 0) of 1000 units each, nothing
// cancelled yet.
void addArticles(const QString& path, int articles);

// An outside customs database (rollback journal, as another system's file would be)
// with `items` items of `subItems` sub-items for internal number `interno`.
void makeOutside(const QString& path, const QString& interno, int items, int subItems);

inline QString outsideConnection(const QString& path, int timeoutMs = 500) {
    return QStringLiteral("Driver=SQLite3;Database=%1;Timeout=%2").arg(path).arg(timeoutMs);
}

// count(*) of "from ... where ..." on the file.
int countRows(const QString& path, const QString& fromWhere);
// Articles whose available quantity is not their total less what their cancellations took.
int unbalancedArticles(const QString& path);

// The worker's arguments to register one unit each of `count` articles from `first` of
// D-1 against item 1 of the export declaration.
inline QStringList registerArgs(const QString& path, const QString& exportNumber, const QString& first, int count) {
    return {"register", path, exportNumber, "1", "D-1", first, QString::number(count)};
}

// The result of one clerk process.
struct WorkerRun {
    int exitCode = -1; // -1 when it did not end by itself
    QStringList lines; // its standard output, line by line
    QString errors;    // its standard error
};

// Starts qx_fault_worker with the arguments; setup may adjust the process first.
std::unique_ptr<QProcess> startWorker(const QStringList& args, const std::function<void(QProcess&)>& setup = {});
// Runs it to its end (at most timeoutMs).
WorkerRun runWorker(const QStringList& args, int timeoutMs = 60000, const std::function<void(QProcess&)>& setup = {});
// Reads what a worker printed so far (or until it ended).
WorkerRun collect(QProcess& process);

// What every fault ends with: the file is sound, every cancellation row is whole (its
// values converted as a registration writes them), every article and declaration row
// whole.
void expectStockSound(const QString& path);

// The library's log sent to a file of the test's own for a scope (also inherited by the
// worker processes started meanwhile).
class LogFile {
public:
    LogFile();
    ~LogFile() { qputenv("QUENDARX_LOG", previous_); }
    QString text() const;

private:
    QByteArray previous_;
    QTemporaryDir dir_;
    QString path_;
};

// A fresh library state (screens closed) before and after, es_AR regional settings, the
// log in a file and the message boxes recorded.
class FaultTest : public ::testing::Test {
protected:
    void SetUp() override { resetLibraryState(); }
    void TearDown() override {
        resetLibraryState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The boxes shown since the last call, as "STYLE text".
    QStringList takeBoxes() {
        const QStringList shown = boxes.texts();
        boxes.shown.clear();
        return shown;
    }

    ScopedLocale locale{esAR()};
    LogFile log;
    RecordingMessageBoxes boxes;
};

// How many times a repeated fault runs: the environment variable, else the default
// (a third of it under the sanitizers, which make every process several times slower).
int repetitions(const char* variable, int fallback);

} // namespace quendarx::test
