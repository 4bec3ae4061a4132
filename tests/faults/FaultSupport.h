#pragma once
// What the fault tests share: the clerk in a process of its own (qx_fault_worker), the
// rows they need, the checks every fault ends with, the library's log in a file.
#include "Clerk.h"
#include "state/basGlobal.h"
#include "support/Logs.h"
#include "support/TestSupport.h"
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quendarx::test {

// Declaration D-1 with articles 1..articles (sub-item 0) of 1000 units, none cancelled.
void addArticles(const QString& path, int articles);
// An outside customs database with `items` items of `subItems` sub-items for `interno`.
void makeOutside(const QString& path, const QString& interno, int items, int subItems);
inline QString outsideConnection(const QString& path, int timeoutMs = 500) {
    return QStringLiteral("Driver=SQLite3;Database=%1;Timeout=%2").arg(path).arg(timeoutMs);
}

// count(*) of "from ... where ..." on the file.
int countRows(const QString& path, const QString& fromWhere);
// Articles whose available quantity is not their total less what their cancellations took.
int unbalancedArticles(const QString& path);
// The file is sound, every row whole and of the types a save writes.
void expectStockSound(const QString& path);

// The worker's arguments to register one unit of `count` articles of D-1 from `first`.
inline QStringList registerArgs(const QString& path, const QString& exportNumber, const QString& first, int count) {
    return {"register", path, exportNumber, "1", "D-1", first, QString::number(count)};
}

struct WorkerRun {
    int exitCode = -1; // -1 when it did not end by itself
    QStringList lines; // its standard output
    QString errors;    // its standard error
};
// Starts qx_fault_worker; setup may adjust the process first.
std::unique_ptr<QProcess> startWorker(const QStringList& args, const std::function<void(QProcess&)>& setup = {});
// Runs it to its end (killed after timeoutMs).
WorkerRun runWorker(const QStringList& args, int timeoutMs = 60000, const std::function<void(QProcess&)>& setup = {});
// What a worker printed so far, or until it ended.
WorkerRun collect(QProcess& process);
// How many times a repeated fault runs: the variable, else the fallback (a third under ASan).
int repetitions(const char* variable, int fallback);

// The library's log sent to a file of its own for a scope, worker processes included.
using LogFile = CapturedLog;

// A fresh library state before and after, es_AR, the log in a file, the boxes recorded.
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

} // namespace quendarx::test
