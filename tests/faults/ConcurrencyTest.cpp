// Two clerks, each in a process of its own, register cancellations of different articles
// against the same export item at the same time. Each registration takes the write lock
// before it reads the greatest line, so the two never read the same one: no insert is
// refused, no clerk sees a message, nothing is lost or doubled.
#include "FaultSupport.h"

using namespace quendarx::test;

TEST(ConcurrentClerks, TwoProcessesOnOneExportItemLoseNothingAndNumberEveryLineOnce) {
    const int each = repetitions("QX_FAULT_REGISTRATIONS", 150);
    ScratchDatabase db;
    addArticles(db.path(), 2 * each);
    LogFile log;
    qputenv("QX_FAULT_GO", "1"); // both wait for a line on standard input
    std::unique_ptr<QProcess> clerks[] = {
        startWorker(registerArgs(db.path(), "EXP-1", "1", each)),
        startWorker(registerArgs(db.path(), "EXP-1", QString::number(each + 1), each))};
    qunsetenv("QX_FAULT_GO");
    for (auto& clerk : clerks) {
        ASSERT_TRUE(clerk->waitForReadyRead(30000));
        ASSERT_EQ(clerk->readLine().trimmed(), "READY");
    }
    for (auto& clerk : clerks) {
        clerk->write("go\n");
        ASSERT_TRUE(clerk->waitForBytesWritten(10000));
    }
    int collisions = 0;
    for (auto& clerk : clerks) {
        ASSERT_TRUE(clerk->waitForFinished(180000));
        const WorkerRun run = collect(*clerk);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(run.lines.size(), each);
        for (const QString& line : run.lines) {
            // Registered at the first F11, without a message.
            ASSERT_TRUE(line.startsWith("OK ")) << line.toStdString();
            collisions += line.section(' ', 2).toInt() - 1;
        }
    }
    EXPECT_EQ(collisions, 0);
    // One row per article, lines 1..n each once, every article lowered by one.
    EXPECT_EQ(queryFile(db.path(), "select count(*), count(distinct ARTINO), min(ARTINO), max(ARTINO), "
                                   "count(distinct LINORD), min(LINORD), max(LINORD) from CANCELACIONES "
                                   "where EXTNRO = 'EXP-1' and EXTITM = 1"),
              QStringList{QStringLiteral("%1|%1|1|%1|%1|1|%1").arg(2 * each)});
    EXPECT_EQ(unbalancedArticles(db.path()), 0);
    // Exactly one history entry a registration, numbered 1..n without a gap or a double.
    EXPECT_EQ(queryFile(db.path(), "select count(*), count(distinct ENTRY), min(ENTRY), max(ENTRY) from HISTORY "
                                   "where OPERATION = 'registration' and EXTNRO = 'EXP-1' and EXTITM = 1"),
              QStringList{QStringLiteral("%1|%1|1|%1").arg(2 * each)});
    // The two clerks did work at the same time: their lines alternate.
    const QStringList owners = queryFile(
        db.path(), QStringLiteral("select ARTINO > %1 from CANCELACIONES order by LINORD").arg(each));
    int switches = 0;
    for (qsizetype i = 1; i < owners.size(); ++i)
        switches += owners[i] != owners[i - 1];
    EXPECT_GE(switches, 2) << "the clerks ran one after the other";
    expectStockSound(db.path());
    EXPECT_FALSE(log.text().contains("UNIQUE constraint failed")) << log.text().toStdString();
}
