// The stock's history on a file: every save leaves one entry that says what it kept, a
// declaration and a cancellation deleted come back exactly with `quendarx-db restore`, the
// refusals write nothing, and `--verify` finds an entry edited or removed by the shell.
#include "HistoryFlows.h"
#include <QCryptographicHash>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class History : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        addArticles(db.path(), 3);
        // Odd stored values another program may have left: a text where a number goes, an
        // order number that is no number, bytes, a day in the regional form, nulls.
        db.exec("insert into CANCELACIONES values (7, 'D-1', 3, 0, '12,5', 'EXP', X'00FF', '31/12/2027', 'A7', "
                "'OTHER', 2, null); update ARTICULOS set ARTFOB = '1500,5' where ARTINO = 2;"
                "update OPERACIONES set INTFOF = '15/01/2026' where INTNDC = 'D-1'");
        g().g_UbicacionBaseDatos = db.path();
        g().conexionLocal().setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db.path());
        g().conexionLocal().Connect();
        g().g_NumeroInterno = "EXP-1";
        g().g_Item = 1;
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30)));
    }
    void TearDown() override {
        Clock::release();
        FaultTest::TearDown();
    }
    static LibraryState& g() { return basGlobal(); }

    HistoryClerk clerk{boxes};
    ScratchDatabase db;
};

// Every stored value of the stock with its storage class, table by table.
QStringList snapshot(const ScratchDatabase& db) {
    return db.query("select 'O', typeof(NUMERO), NUMERO, typeof(INTNDC), INTNDC, typeof(INTDSC), INTDSC, "
                    "typeof(INTFOF), INTFOF from OPERACIONES order by INTNDC") +
           db.query("select 'A', typeof(ARTNRO), ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, typeof(ARTCAN), ARTCAN, "
                    "typeof(ARTUNI), ARTUNI, typeof(ARTFOB), ARTFOB, typeof(ARTDSC), ARTDSC from ARTICULOS "
                    "order by INTNDC, ARTINO, ARTSNO") +
           db.query("select 'C', LINORD, INTNDC, ARTINO, ARTSNO, typeof(ARTCDS), ARTCDS, typeof(ARTEXP), ARTEXP, "
                    "typeof(ARTCER), hex(ARTCER), typeof(ARTVEN), ARTVEN, typeof(ARTORD), ARTORD, EXTNRO, "
                    "typeof(EXTITM), EXTITM, typeof(EXTFDC), EXTFDC from CANCELACIONES order by EXTNRO, EXTITM, "
                    "LINORD");
}

TEST_F(History, EverySaveLeavesOneEntryAndTheDeletionsComeBackValueForValueAndTypeForType) {
    const MeetingStock stock{db.path(), [this](const QString& sql) { db.exec(sql); },
                             [this](const QString& sql) { return db.query(sql); }};
    expectEverySaveRecordedAndBothDeletionsRestored(
        stock, [this] { return snapshot(db); }, clerk);
    EXPECT_EQ(unbalancedArticles(db.path()), 0);
}

TEST_F(History, ARestoreThatCannotBeDoneIsRefusedAndVerifyFindsAnEntryChangedOrRemoved) {
    ASSERT_EQ(clerk.registerArticle(1, "5"), QStringList()); // 1
    ASSERT_EQ(clerk.deleteArticle(1).size(), 1);             // 2
    ASSERT_EQ(clerk.registerArticle(2, "1"), QStringList()); // 3: line 1 of EXP-1/1 again
    ASSERT_EQ(clerk.registerArticle(3, "1"), QStringList()); // 4
    ASSERT_EQ(clerk.deleteArticle(3).size(), 1);             // 5
    db.exec("insert into OPERACIONES values ('2', 'D-2', 'x', '2026-01-15');"
            "insert into ARTICULOS values ('A', 'D-2', 1, 0, 'N', 10, 1, 10, 10)");
    ASSERT_EQ(clerk.deleteDeclaration("D-2"), QStringList{"16 Despacho D-2 eliminado"}); // 6
    db.exec("insert into OPERACIONES values ('9', 'd-2', 'again', '2026-02-01')");
    ASSERT_EQ(runTool({"restore", db.path(), "5"}).exitCode, 0); // 7
    struct Case {
        QString entry, message;
    } refusals[] = {
        {"1", "entry 1 is a registration, not a deletion: there is nothing to restore"},
        {"2", "entry 2 cannot be restored: line 1 of export declaration EXP-1 item 1 is used again"},
        {"6", "entry 6 cannot be restored: declaration D-2 is in stock again"},
        {"5", "entry 5 was restored already (entry 7)"},
        {"99", "there is no entry 99"},
    };
    for (const Case& c : refusals) {
        const QStringList stock = snapshot(db);
        const QStringList history = db.query("select * from HISTORY");
        const WorkerRun run = runTool({"restore", db.path(), c.entry});
        EXPECT_EQ(run.exitCode, 1) << c.entry.toStdString();
        EXPECT_EQ(run.errors.trimmed(), "quendarx-db restore: " + c.message);
        EXPECT_EQ(snapshot(db), stock);
        EXPECT_EQ(db.query("select * from HISTORY"), history);
    }
    // Another client changes or removes an entry of a copy with the sqlite3 shell.
    const Case changes[] = {
        {"update HISTORY set USERNAME = 'someone' where ENTRY = 2", "entry 2: changed since it was written"},
        {"update HISTORY set QUANTITY_AFTER = 2 where ENTRY = 3", "entry 3: changed since it was written"},
        {"update HISTORY_ROWS set ROW_DATA = replace(ROW_DATA, 'EXP-1', 'EXP-2') where ENTRY = 5",
         "entry 5: changed since it was written"},
        {"delete from HISTORY where ENTRY = 3", "entry 3: removed or moved (the chain breaks before entry 4)"},
        {"delete from HISTORY where ENTRY = 1", "entry 2: the entries before it were removed"},
    };
    const QString copy = db.dir() + "/copy.db";
    for (const Case& c : changes) {
        QFile::remove(copy);
        execFile(db.path(), "vacuum into '" + copy + "'");
        ASSERT_EQ(runTool({"history", copy, "--verify"}).exitCode, 0);
        runTool({"-bail", copy, c.entry}, "sqlite3");
        const WorkerRun run = runTool({"history", copy, "--verify"});
        EXPECT_EQ(run.exitCode, 1) << c.entry.toStdString();
        EXPECT_EQ(run.errors.trimmed(), "quendarx-db history: " + c.message);
    }
    // Pruning keeps the chain verifiable and is itself an entry.
    Clock::pin(QDateTime(QDate(2027, 1, 10), QTime(9, 0)));
    ASSERT_EQ(clerk.registerArticle(1, "1"), QStringList()); // 8
    const WorkerRun pruned = runTool({"history", db.path(), "--prune-before", "2027-01-01"});
    EXPECT_EQ(pruned.lines, QStringList{"removed 7 entries recorded before 2027-01-01"}) << pruned.errors.toStdString();
    EXPECT_EQ(db.query("select ENTRY, OPERATION, REF from HISTORY order by ENTRY"),
              (QStringList{"8|registration|NULL", "9|prune|8"}));
    EXPECT_EQ(db.query("select count(*) from HISTORY_ROWS"), QStringList{"0"});
    EXPECT_EQ(runTool({"history", db.path(), "--verify"}).exitCode, 0);
    runTool({"-bail", db.path(), "delete from HISTORY where ENTRY = 9"}, "sqlite3");
    EXPECT_EQ(runTool({"history", db.path(), "--verify"}).errors.trimmed(),
              "quendarx-db history: entry 8: the entries before it were removed");
}

TEST_F(History, ACopyOfTheStockTakesItsHistoryAlongAndStillVerifies) {
    ASSERT_EQ(clerk.registerArticle(1, "5"), QStringList());
    ASSERT_EQ(clerk.deleteArticle(1).size(), 1); // an entry that keeps the row it removed
    const WorkerRun verified = runTool({"history", db.path(), "--verify"});
    ASSERT_EQ(verified.exitCode, 0);

    const QString copy = db.dir() + "/copy.db";
    const WorkerRun copied = runTool({"copy", db.path(), copy});
    EXPECT_EQ(copied.lines.last(),
              QString("copied 1 operaciones, 3 articulos, 1 cancelaciones, 2 history entries from " + db.path() +
                      " to " + copy))
        << copied.errors.toStdString();
    EXPECT_EQ(runTool({"history", copy, "--verify"}).lines, verified.lines);
    EXPECT_EQ(runTool({"sql", copy, "select * from HISTORY_ROWS"}).lines,
              runTool({"sql", db.path(), "select * from HISTORY_ROWS"}).lines);

    // A stock made before the history would lose it: the copy is refused and writes nothing.
    const QString old = db.dir() + "/old.db";
    ASSERT_EQ(runTool({"init", old}).exitCode, 0);
    execFile(old, "drop table HISTORY; drop table HISTORY_ROWS");
    const WorkerRun refused = runTool({"copy", db.path(), old});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.errors.trimmed(), "quendarx-db: " + old + " has no history tables, and the history of " +
                                            db.path() + " would be lost: quendarx-db upgrade " + old + " adds them");
    EXPECT_EQ(runTool({"sql", old, "select count(*) from CANCELACIONES"}).lines.last(), "0");
    // Nor does a copy go into a stock that has a history of its own.
    const QString used = db.dir() + "/used.db";
    ASSERT_EQ(runTool({"copy", copy, used}).exitCode, 0);
    execFile(used, "delete from CANCELACIONES; delete from ARTICULOS; delete from OPERACIONES");
    EXPECT_EQ(runTool({"copy", db.path(), used}).errors.trimmed(),
              "quendarx-db: " + used + " already holds rows in HISTORY: copy only into an empty stock");
}

TEST_F(History, ASaveWhoseLaterStepFailsRecordsWhatItKept) {
    // The available quantity cannot be written: the registration keeps its row.
    db.exec("create trigger refuse before update on ARTICULOS begin select raise(abort, 'refused'); end");
    EXPECT_EQ(clerk.registerArticle(1, "5"), QStringList{"16 Error en actualizar CANTIDAD DISPONIBLE"});
    EXPECT_EQ(clerk.deleteArticle(1).value(1), "16 Error en actualizar CANTIDAD DISPONIBLE");
    // The declaration's articles cannot be deleted: its cancellations are gone, nothing else.
    db.exec("create trigger keep before delete on ARTICULOS begin select raise(abort, 'kept'); end");
    clerk.deleteDeclaration("D-1");
    EXPECT_EQ(
        db.query("select (select count(*) from CANCELACIONES), (select count(*) from ARTICULOS), "
                 "(select group_concat(TABLE_NAME) from (select distinct TABLE_NAME from HISTORY_ROWS where ENTRY = 3 "
                 "order by 1))"),
        QStringList{"0|3|CANCELACIONES,OPERACIONES"});
    // A save that writes nothing records nothing.
    db.exec("drop trigger refuse; create trigger refuse before insert on CANCELACIONES begin "
            "select raise(abort, 'refused'); end");
    EXPECT_EQ(clerk.registerArticle(3, "1"), QStringList{"16 Error en descontar Cantidad"});
    EXPECT_EQ(db.query("select group_concat(ENTRY || ' ' || OPERATION || ' ' || ifnull(QUANTITY_AFTER, '-')) "
                       "from HISTORY"),
              QStringList{"1 registration 5.0,2 deletion -,3 declaration-deletion -"});
}

// A connection's saves follow one another's entries without reading the last one again,
// until anything else writes to the stock: the next entry then follows what is there.
TEST_F(History, ASaveFollowsTheLastEntryWhateverWroteToTheStockSinceTheLastSave) {
    const QString otherEntry = "insert into HISTORY (ENTRY, STAMP, USERNAME, WORKSTATION, OPERATION, PREVIOUS, "
                               "DIGEST) select ENTRY + 1, STAMP, 'other', 'ws-2', 'repair', DIGEST, 'd' || ENTRY "
                               "from HISTORY where ENTRY = (select max(ENTRY) from HISTORY)";
    const struct {
        const char* change;
        std::function<void()> run;
    } cases[] = {
        {"nothing", [] {}},
        {"another client adds an entry", [&] { db.exec(otherEntry); }},
        {"another client removes the last entry",
         [&] { db.exec("delete from HISTORY where ENTRY = (select max(ENTRY) from HISTORY)"); }},
        {"the library's own connection adds an entry",
         [&] {
             g().conexionLocal().setSql(otherEntry);
             ASSERT_EQ(g().conexionLocal().Execute(), 1);
         }},
        {"a refused save, then another client adds an entry",
         [&] {
             ASSERT_EQ(clerk.registerArticle(1, "1"), QStringList{"64 Este articulo ya relacionado con el Item"});
             db.exec(otherEntry);
         }},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(clerk.registerArticle(1, "1"), QStringList()) << c.change;
        c.run();
        ASSERT_EQ(clerk.deleteArticle(1).size(), 1) << c.change;
        // The deletion's entry is the last one, and follows the one before it.
        EXPECT_EQ(db.query("select h.OPERATION from HISTORY h join HISTORY p on p.ENTRY = h.ENTRY - 1 and "
                           "p.DIGEST = h.PREVIOUS where h.ENTRY = (select max(ENTRY) from HISTORY)"),
                  QStringList{"deletion"})
            << c.change;
    }
}

TEST_F(History, AStockWithoutTheHistoryTablesKeepsWorkingAndUpgradeAddsThem) {
    db.exec("drop table HISTORY; drop table HISTORY_ROWS");
    g().conexionLocal().Connect();
    EXPECT_EQ(clerk.registerArticle(1, "5"), QStringList());
    EXPECT_EQ(runTool({"history", db.path()}).errors.trimmed(),
              "quendarx-db history: " + db.path() + " has no history (quendarx-db upgrade adds it)");
    EXPECT_EQ(runTool({"upgrade", db.path()}).lines, QStringList{"added the history tables to " + db.path()});
    g().conexionLocal().Connect();
    EXPECT_EQ(clerk.registerArticle(2, "5"), QStringList());
    EXPECT_EQ(db.query("select ENTRY, ARTINO from HISTORY"), QStringList{"1|2"});

    // The index by declaration of earlier versions goes; the history stays as it was.
    db.exec("create index HISTORY_INTNDC on HISTORY (INTNDC)");
    EXPECT_EQ(runTool({"upgrade", db.path()}).lines, QStringList{"dropped index HISTORY_INTNDC: saves no longer "
                                                                 "write to it"});
    EXPECT_EQ(db.query("select type || ' ' || name from sqlite_master where name like 'HISTORY%' order by 1"),
              (QStringList{"table HISTORY", "table HISTORY_ROWS"}));
    EXPECT_EQ(runTool({"history", db.path(), "--declaration", "d-1", "--csv"}).lines.size(), 2);
    EXPECT_EQ(runTool({"upgrade", db.path()}).lines,
              QStringList{db.path() + " is already a plain stock database with its history: nothing to do"});
}

// The digest is what `--verify` recomputes on stocks written by earlier versions and what
// another program can check: SHA-256, in lowercase hex, of the fields in their order joined
// by U+001F, then the digest before, then for each removed row U+001F, its table, U+001E
// and its JSON (all as UTF-8).
TEST(HistoryDigest, IsTheSha256OfTheFieldsJoinedByUnitSeparators) {
    const QDateTime when(QDate(2026, 12, 5), QTime(10, 30, 7));
    const history::Entry registration{.number = 12,
                                      .when = when,
                                      .user = "clerk",
                                      .workstation = "ws-1",
                                      .operation = "registration",
                                      .intndc = "26001IC04000311K",
                                      .artino = 3,
                                      .artsno = 0,
                                      .extnro = "26001EC01000001T",
                                      .extitm = 2,
                                      .before = {},
                                      .after = 12.5,
                                      .ref = {},
                                      .note = {},
                                      .rows = {},
                                      .previous = QString(64, QLatin1Char('a')),
                                      .digest = {}};
    const history::Entry deletion{
        .number = 13,
        .when = when,
        .user = "señora",
        .workstation = {},
        .operation = "deletion",
        .intndc = "D-1",
        .artino = {},
        .artsno = {},
        .extnro = {},
        .extitm = {},
        .before = 0.1,
        .after = {},
        .ref = 4,
        .note = "línea",
        .rows = {{"CANCELACIONES", {{"LINORD", "integer", QStringLiteral("7")}, {"ARTEXP", "null", QVariant()}}}},
        .previous = {},
        .digest = {}};

    const struct {
        const history::Entry& entry;
        const char* content;
    } cases[] = {
        {registration, "12\x1f"
                       "2026-12-05 10:30:07\x1f"
                       "clerk\x1f"
                       "ws-1\x1f"
                       "registration\x1f"
                       "26001IC04000311K\x1f"
                       "3\x1f"
                       "0\x1f"
                       "26001EC01000001T\x1f"
                       "2\x1f\x1f"
                       "12.5\x1f\x1f\x1f"
                       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
        {deletion, "13\x1f"
                   "2026-12-05 10:30:07\x1f"
                   "se\xc3\xb1ora\x1f\x1f"
                   "deletion\x1f"
                   "D-1\x1f\x1f\x1f\x1f\x1f"
                   "0.1\x1f\x1f"
                   "4\x1f"
                   "l\xc3\xad"
                   "nea\x1f\x1f"
                   "CANCELACIONES\x1e"
                   "[[\"LINORD\",\"integer\",\"7\"],[\"ARTEXP\",\"null\",null]]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(history::digestOf(c.entry),
                  QCryptographicHash::hash(QByteArray(c.content), QCryptographicHash::Sha256).toHex())
            << c.content;
}

} // namespace
