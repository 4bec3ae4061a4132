// A clerk's process killed (SIGKILL) just before each commit of its registrations or of its
// import, the moments at which what it leaves can differ: each time the file is sound, what
// the clerk was told had been saved is there, and a save cut short left none of its rows.
#include "FaultSupport.h"
#include <QRegularExpression>

using namespace quendarx::test;

namespace {

// The worker killed just before its `at`th commit; one with fewer commits runs to its end.
WorkerRun runKilledAt(int at, const QStringList& args) {
    return runWorker(args, 60000, [at](QProcess& process) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QX_FAULT_KILL_AT", QString::number(at));
        process.setProcessEnvironment(environment);
    });
}

} // namespace

TEST(KilledClerk, RegistrationsKilledBeforeEachCommitLeaveASoundDatabase) {
    ScratchDatabase db;
    LogFile log;
    addArticles(db.path(), 60);
    int next = 1, at = 1, told = 0;
    for (; at < 20 && !::testing::Test::HasFailure(); ++at) {
        // Two registrations, so that the kill points fall in both and between them.
        const WorkerRun run = runKilledAt(at, registerArgs(db.path(), "EXP-1", QString::number(next), 2));
        ASSERT_EQ(run.lines.value(0), "READY") << run.errors.toStdString();
        if (run.exitCode == 0) { // no commit left to kill it before
            EXPECT_EQ(run.lines.size(), 3);
            EXPECT_GE(at, 3) << "a registration was saved without a commit";
            break;
        }
        // What the clerk was told is registered is there, and nothing else.
        told += run.lines.filter(QRegularExpression("^OK ")).size();
        EXPECT_EQ(countRows(db.path(), "from CANCELACIONES"), told) << "kill point " << at;
        expectStockSound(db.path());
        // Lines stay numbered 1..n without a gap or a double.
        EXPECT_EQ(queryFile(db.path(), "select count(*) = coalesce(max(LINORD), 0) and count(*) = count(distinct "
                                       "LINORD) from CANCELACIONES"),
                  QStringList{"1"});
        // Nothing of the registration killed part way: every article's availability matches
        // its cancellations, and one history entry for every registration kept.
        EXPECT_EQ(unbalancedArticles(db.path()), 0) << "kill point " << at;
        EXPECT_EQ(countRows(db.path(), "from HISTORY where OPERATION = 'registration'"), told) << "kill point " << at;
        next += run.lines.size(); // the next clerk starts after the interrupted article
    }
    EXPECT_LT(at, 20) << "the clerk was killed at every point";
}

TEST(KilledClerk, AnImportKilledBeforeEachCommitLeavesAllOrNothing) {
    constexpr int kItems = 20, kSubItems = 3, kArticles = kItems * kSubItems;
    ScratchDatabase db;
    LogFile log;
    const QString outside = db.dir() + "/outside.db";
    makeOutside(outside, "7001", kItems, kSubItems);
    int at = 1;
    for (; at < 10 && !::testing::Test::HasFailure(); ++at) {
        const QString code = QStringLiteral("K-%1").arg(at);
        const WorkerRun run = runKilledAt(at, {"import", db.path(), outsideConnection(outside), "7001", code});
        ASSERT_EQ(run.lines.value(0), "READY") << run.errors.toStdString();
        expectStockSound(db.path());
        const int articles = countRows(db.path(), "from ARTICULOS where INTNDC = '" + code + "'");
        EXPECT_EQ(countRows(db.path(), "from OPERACIONES where INTNDC = '" + code + "'"), articles > 0 ? 1 : 0);
        EXPECT_EQ(countRows(db.path(), "from HISTORY where OPERATION = 'import' and INTNDC = '" + code + "'"),
                  articles > 0 ? 1 : 0);
        if (run.exitCode == 0) { // the import ran to its end
            EXPECT_EQ(run.lines, (QStringList{"READY", "MSG 64 Despacho agregado en stock"}));
            EXPECT_EQ(articles, kArticles);
            EXPECT_GE(at, 2) << "the import was saved without a commit";
            break;
        }
        // An import is one save: killed, it left all or nothing, not even its declaration row,
        // and all when the clerk was told it was added.
        EXPECT_TRUE(articles == 0 || articles == kArticles) << articles << " at kill point " << at;
        const bool told = run.lines.contains("MSG 64 Despacho agregado en stock");
        EXPECT_TRUE(!told || articles == kArticles) << articles << ", told it was added";
    }
    EXPECT_LT(at, 10) << "the import was killed at every point";
}
