// Four clerks, each in a process of its own, register cancellations of different
// articles against one export item on one server at the same time: nobody sees a
// message, the lines are 1..n once each, and every article is balanced.
#include "FaultSupport.h"
#include "ServerStock.h"
#include <QTemporaryDir>
#include <QThread>

using namespace quendarx::test;

namespace {
class ServerClerks : public ServerStock {};
} // namespace

TEST_F(ServerClerks, FourProcessesOnOneExportItemNumberEveryLineOnceWithoutAMessage) {
    const int each = repetitions("QX_SERVER_REGISTRATIONS", 250);
    constexpr int kClerks = 4;
    exec(QStringLiteral("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1', 'D-1', 'Importacion', "
                        "'2026-01-15'); insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, "
                        "ARTFOB, ARTDSC) select 'ART-' || n, 'D-1', n, 0, '8471.30.00', 1000, 1.5, 1500, 1000 "
                        "from generate_series(1, %1) n")
             .arg(kClerks * each));
    qputenv("QX_FAULT_GO", "1");
    std::vector<std::unique_ptr<QProcess>> clerks;
    for (int c = 0; c < kClerks; ++c) {
        QStringList args = registerArgs(uri(), "EXP-1", QString::number(c * each + 1), each);
        args << "1"; // no second try: a collision would show as a message
        clerks.push_back(startWorker(args));
    }
    qunsetenv("QX_FAULT_GO");
    for (auto& clerk : clerks) {
        ASSERT_TRUE(clerk->waitForReadyRead(30000));
        ASSERT_EQ(clerk->readLine().trimmed(), "READY");
    }
    for (auto& clerk : clerks) {
        clerk->write("go\n");
        ASSERT_TRUE(clerk->waitForBytesWritten(10000));
    }
    for (auto& clerk : clerks) {
        ASSERT_TRUE(clerk->waitForFinished(300000));
        const WorkerRun run = collect(*clerk);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(run.lines.size(), each);
        for (const QString& line : run.lines)
            ASSERT_TRUE(line.startsWith("OK ") && line.endsWith(" 1")) << line.toStdString();
    }
    const int n = kClerks * each;
    EXPECT_EQ(query("select count(*), count(distinct ARTINO), count(distinct LINORD), min(LINORD), max(LINORD) "
                    "from CANCELACIONES where EXTNRO = 'EXP-1' and EXTITM = 1"),
              QStringList{QStringLiteral("%1|%1|%1|1|%1").arg(n)});
    EXPECT_EQ(query("select count(*) from ARTICULOS a where ARTDSC <> ARTCAN - (select coalesce(sum(ARTCDS), 0) "
                    "from CANCELACIONES c where c.INTNDC = a.INTNDC and c.ARTINO = a.ARTINO and c.ARTSNO = a.ARTSNO)"),
              QStringList{"0"});
    // One history entry a registration, each appended after the one before it.
    EXPECT_EQ(query("select count(*), count(distinct ENTRY), min(ENTRY), max(ENTRY) from HISTORY "
                    "where OPERATION = 'registration'"),
              QStringList{QStringLiteral("%1|%1|1|%1").arg(n)});
    // The clerks worked at the same time: their lines alternate.
    const QStringList owners = query(
        QStringLiteral("select (ARTINO - 1) / %1 from CANCELACIONES order by LINORD").arg(each));
    int switches = 0;
    for (qsizetype i = 1; i < owners.size(); ++i)
        switches += owners[i] != owners[i - 1];
    EXPECT_GE(switches, 3) << "the clerks ran one after the other";
}

TEST_F(ServerClerks, AnImportKilledPartWayLeavesNoneOfItOnTheServer) {
    constexpr int kItems = 300, kSubItems = 4;
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside.db");
    makeOutside(outside, "7001", kItems, kSubItems);
    // Killed later each time, until one kill lands among the article inserts (the hidden
    // row numbers they took and gave back show it).
    bool midWrite = false;
    for (int k = 0; k < 30 && !midWrite && !HasFailure(); ++k) {
        const QString code = QStringLiteral("K-%1").arg(k);
        const int before = query("select last_value + 0 from articulos_qx_row_seq").value(0).toInt();
        auto clerk = startWorker({"import", uri(), outsideConnection(outside), "7001", code});
        ASSERT_TRUE(clerk->waitForReadyRead(30000));
        QThread::msleep(15 * k);
        clerk->kill();
        clerk->waitForFinished(10000);
        const int articles = query("select count(*) from ARTICULOS where INTNDC = '" + code + "'").value(0).toInt();
        const int declarations =
            query("select count(*) from OPERACIONES where INTNDC = '" + code + "'").value(0).toInt();
        // The whole import or none of it.
        EXPECT_TRUE((articles == kItems * kSubItems && declarations == 1) || (articles == 0 && declarations == 0))
            << code.toStdString() << ": " << articles << " articles";
        // Its history entry stands or falls with it.
        EXPECT_EQ(query("select count(*) from HISTORY where OPERATION = 'import' and INTNDC = '" + code + "'"),
                  QStringList{QString::number(declarations)});
        const int after = query("select last_value + 0 from articulos_qx_row_seq").value(0).toInt();
        midWrite = articles == 0 && after > before;
    }
    EXPECT_TRUE(midWrite) << "no kill landed among the article inserts";
}
