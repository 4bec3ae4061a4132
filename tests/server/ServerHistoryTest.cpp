// The stock's history on a server: the clerk's saves and both deletions recorded and put
// back by `quendarx-db restore` as they were.
#include "HistoryFlows.h"
#include "ServerStock.h"
#include "data/ServerSql.h"
#include <QTemporaryDir>
#include <QUrl>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerHistory : public ServerStock {
protected:
    void SetUp() override {
        if (!setUpWithDeclaration(
                "insert into ARTICULOS select 'ART-' || n, 'D-1', n, 0, '8471.30.00', 1000, 1.5, 1500, 1000 "
                "from generate_series(1, 3) n;"
                "insert into CANCELACIONES values (7, 'D-1', 3, 0, 12.5, 'EXP', null, '31/12/2027', 'A7', 'OTHER', 2, "
                "null)"))
            return;
        basGlobal().g_NumeroInterno = "EXP-1";
        basGlobal().g_Item = 1;
        connectLibrary(uri());
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30)));
    }
    void TearDown() override {
        Clock::release();
        ServerStock::TearDown();
    }
    // Every value of the stock as the server gives it back, table by table.
    QStringList snapshot() const {
        return query("select NUMERO, INTNDC, INTDSC, INTFOF from OPERACIONES order by INTNDC") +
               query("select ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC from ARTICULOS "
                     "order by INTNDC, ARTINO, ARTSNO") +
               query("select LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, EXTNRO, EXTITM, "
                     "EXTFDC from CANCELACIONES order by EXTNRO, EXTITM, LINORD");
    }

    HistoryClerk clerk{boxes};
};

} // namespace

TEST_F(ServerHistory, EverySaveLeavesOneEntryAndTheDeletionsComeBackAsTheyWere) {
    expectEverySaveRecordedAndBothDeletionsRestored(
        stock(), [this] { return snapshot(); }, clerk);
    EXPECT_EQ(runTool({"restore", uri(), "5"}).errors.trimmed(),
              "quendarx-db restore: entry 5 was restored already (entry 8)");
    exec("update HISTORY set QUANTITY_AFTER = 2 where ENTRY = 4");
    EXPECT_EQ(runTool({"history", uri(), "--verify"}).errors.trimmed(),
              "quendarx-db history: entry 4: changed since it was written");
}

TEST_F(ServerHistory, UpgradeAddsTheHistoryTablesAndDropsTheIndexOfEarlierVersions) {
    const QString shown = server::withoutPassword(uri());
    exec("drop table HISTORY; drop table HISTORY_ROWS");
    EXPECT_EQ(runTool({"upgrade", uri()}).lines, QStringList{"added the history tables to " + shown});
    exec("create index HISTORY_INTNDC on HISTORY (INTNDC)");
    EXPECT_EQ(runTool({"upgrade", uri()}).lines,
              QStringList{"dropped index HISTORY_INTNDC: saves no longer write to it"});
    EXPECT_EQ(query("select count(*) from pg_indexes where tablename = 'history'"), QStringList{"1"}); // its key
    EXPECT_EQ(runTool({"upgrade", uri()}).lines, QStringList{shown + " already has its history: nothing to do"});
    connectLibrary(uri());
    EXPECT_EQ(clerk.registerArticle(1, "5"), QStringList());
    EXPECT_EQ(query("select ENTRY, OPERATION from HISTORY"), QStringList{"1|registration"});
}

TEST_F(ServerHistory, ACopyToAFileAndBackToAServerKeepsTheChain) {
    ASSERT_EQ(clerk.registerArticle(1, "5,25"), QStringList());
    Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(11, 0, 7)));
    ASSERT_EQ(clerk.deleteArticle(1).size(), 1);
    const WorkerRun verified = runTool({"history", uri(), "--verify"});
    ASSERT_EQ(verified.exitCode, 0) << verified.errors.toStdString();

    QTemporaryDir dir;
    const QString file = dir.filePath("stock.db");
    const WorkerRun toFile = runTool({"copy", uri(), file});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.errors.toStdString();
    EXPECT_EQ(runTool({"history", file, "--verify"}).lines, verified.lines);

    const QString database = QStringLiteral("qx_copy_%1").arg(QCoreApplication::applicationPid());
    exec("drop database if exists " + database);
    exec("create database " + database);
    const WorkerRun back = runTool({"copy", file, serverUri(database)});
    ASSERT_EQ(back.exitCode, 0) << back.errors.toStdString();
    EXPECT_EQ(runTool({"history", serverUri(database), "--verify"}).lines, verified.lines);
    EXPECT_EQ(runTool({"history", serverUri(database), "--csv"}).lines, runTool({"history", uri(), "--csv"}).lines);
}

TEST_F(ServerHistory, AClerksRoleAppendsToTheHistoryButCannotChangeIt) {
    // A database set up by init with the clerks' role; a clerk logs in as a member of it.
    const QString database = QStringLiteral("qx_role_%1").arg(QCoreApplication::applicationPid());
    exec("drop database if exists " + database);
    exec("create database " + database);
    const QString owner = serverUri(database);
    ASSERT_EQ(runTool({"init", owner, "--clerk-role", "qx_clerks"}).exitCode, 0);
    exec("do $$ begin if not exists (select from pg_roles where rolname = 'qx_clerk1') then "
         "create role qx_clerk1 login password 'clerk1' in role qx_clerks; end if; end $$");
    QUrl asClerk(owner);
    asClerk.setUserName("qx_clerk1");
    asClerk.setPassword("clerk1");
    const QString clerkUri = asClerk.toString();
    ASSERT_EQ(runTool({"sql", owner,
                       "insert into OPERACIONES values ('1', 'D-1', 'x', '2026-01-15');"
                       "insert into ARTICULOS values ('A', 'D-1', 1, 0, 'N', 10, 1, 10, 10)"})
                  .exitCode,
              0);
    connectLibrary(clerkUri);
    EXPECT_EQ(clerk.registerArticle(1, "4"), QStringList());
    EXPECT_EQ(runTool({"history", clerkUri, "--csv"}).lines.size(), 2);
    for (const char* change :
         {"update HISTORY set USERNAME = 'x'", "delete from HISTORY", "delete from HISTORY_ROWS"}) {
        const WorkerRun refused = runTool({"sql", clerkUri, change});
        EXPECT_EQ(refused.exitCode, 1) << change;
        EXPECT_TRUE(refused.errors.contains("permission denied")) << refused.errors.toStdString();
    }
    resetLibraryState();
    exec("drop database " + database + " with (force)");
}

TEST_F(ServerHistory, ASaveWhoseEntryOrCommitIsRefusedKeepsNothingAndLogsWhichOne) {
    // The entry and the commit travel together: a refusal of either leaves nothing, and the
    // log tells which of the two it was.
    const struct {
        const char* refusal;
        const char* logged;
        const char* notLogged;
    } cases[] = {
        {"create trigger refused before insert on HISTORY for each row execute function refuse()",
         "the history entry was not written: ", "was not committed"},
        {"create constraint trigger refused after insert on HISTORY deferrable initially deferred for each row "
         "execute function refuse()",
         "the transaction was not committed: ", "entry was not written"},
    };
    exec("create function refuse() returns trigger language plpgsql as "
         "$$ begin raise exception 'refused by the test'; end $$");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        exec(c.refusal);
        const qsizetype before = log.text().size();
        EXPECT_EQ(clerk.registerArticle(1, "4"), QStringList{"16 Error en descontar Cantidad"});
        EXPECT_EQ(query("select count(*) from CANCELACIONES") + query("select count(*) from HISTORY"),
                  (QStringList{"1", "0"}));
        EXPECT_EQ(query("select ARTDSC from ARTICULOS where ARTINO = 1"), QStringList{"1000"});
        const QString logged = log.text().mid(before);
        EXPECT_TRUE(logged.contains(c.logged + QStringLiteral("refused by the test"))) << logged.toStdString();
        EXPECT_FALSE(logged.contains(c.notLogged)) << logged.toStdString();
        exec("drop trigger refused on HISTORY");
    }
}
