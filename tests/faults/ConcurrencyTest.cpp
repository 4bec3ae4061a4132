// Two clerks, each in a process of its own, register cancellations of different articles
// against the same export item at the same time. Line numbers collide when both read the
// same greatest line; the loser's insert is refused ("Error en descontar Cantidad") and
// pressing F11 again registers it under the next line. Nothing is lost or doubled.
#include "FaultSupport.h"
#include <QProcessEnvironment>
#include <QSet>

using namespace quendarx::test;

TEST(ConcurrentClerks, TwoProcessesOnOneExportItemLoseNothingAndNumberEveryLineOnce) {
    const int each = repetitions("QX_FAULT_REGISTRATIONS", 500);
    ScratchDatabase db;
    addArticles(db.path(), 2 * each);
    LogFile log;
    auto together = [](QProcess& p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QX_FAULT_GO"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
    };
    std::unique_ptr<QProcess> clerks[] = {
        startWorker(registerArgs(db.path(), QStringLiteral("EXP-1"), QStringLiteral("1"), each), together),
        startWorker(registerArgs(db.path(), QStringLiteral("EXP-1"), QString::number(each + 1), each), together),
    };
    for (auto& clerk : clerks) {
        ASSERT_TRUE(clerk->waitForReadyRead(30000));
        ASSERT_EQ(clerk->readLine().trimmed(), "READY");
    }
    for (auto& clerk : clerks) {
        clerk->write("go\n");
        ASSERT_TRUE(clerk->waitForBytesWritten(10000));
    }
    for (auto& clerk : clerks)
        ASSERT_TRUE(clerk->waitForFinished(180000));

    QSet<int> registered;
    int collisions = 0;
    for (auto& clerk : clerks) {
        const WorkerRun run = collect(*clerk);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(run.lines.size(), each);
        for (const QString& line : run.lines) {
            const QStringList parts = line.split(QLatin1Char(' '));
            // Every collision was retried, so every registration ends registered.
            ASSERT_EQ(parts.value(0), QStringLiteral("OK")) << line.toStdString();
            registered.insert(parts.value(1).toInt());
            collisions += parts.value(2).toInt() - 1;
        }
    }
    std::printf("%d registrations, %d line-number collisions retried\n", 2 * each, collisions);
    ASSERT_EQ(registered.size(), 2 * each);

    // One row per registered article, lines 1..n each once, every article lowered by one.
    const QStringList rows = queryFile(db.path(), QStringLiteral("select ARTINO from CANCELACIONES order by ARTINO"));
    QStringList expected;
    for (int a = 1; a <= 2 * each; ++a)
        expected << QString::number(a);
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(queryFile(db.path(), QStringLiteral("select count(distinct LINORD), min(LINORD), max(LINORD) "
                                                 "from CANCELACIONES where EXTNRO = 'EXP-1' and EXTITM = 1")),
              QStringList{QStringLiteral("%1|1|%1").arg(2 * each)});
    EXPECT_EQ(unbalancedArticles(db.path()), 0);
    // The two clerks did work at the same time: their lines alternate.
    const QStringList owners = queryFile(
        db.path(), QStringLiteral("select ARTINO > %1 from CANCELACIONES order by LINORD").arg(each));
    int switches = 0;
    for (qsizetype i = 1; i < owners.size(); ++i)
        switches += owners[i] != owners[i - 1];
    EXPECT_GE(switches, 2) << "the clerks ran one after the other";
    expectStockSound(db.path());
    if (collisions > 0) {
        EXPECT_TRUE(log.text().contains(QLatin1String("UNIQUE constraint failed"))) << log.text().toStdString();
    }
}
