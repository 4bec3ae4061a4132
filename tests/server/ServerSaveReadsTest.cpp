// A save's first reads on a server go with its lock, in the same round trip: a
// registration costs five round trips (a modification six), a read answered from what the lock's round trip
// kept gives the rows it gives sent alone (once), a write or a lost connection in between
// drops what was kept, and a read that fails with the lock leaves the save usable and
// tells what it tells sent alone.
#include "Clerk.h"
#include "ServerStock.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "data/ServerEngine.h"
#include "data/clConexion.h"

using namespace quendarx;
using namespace quendarx::test;

namespace {

const sql::ArticleKey kArticle{"D-1", 1, 0};
const sql::ArticleKey kSecond{"D-1", 2, 0};
const sql::ExportItem kItem{"EXP-1", 1};
const sql::ExportItem kOther{"EXP-2", 3};

// The clerk of this process at article D-1 1/0 (10 available, 2 cancelled against
// EXP-2 3) for the host's export item EXP-1 1, connected.
class ServerSaveReads : public ServerStock {
protected:
    void SetUp() override {
        if (!setUpWithDeclaration(
                "insert into ARTICULOS values ('ART-1', 'D-1', 1, 0, '8471.30.00', 12, 1.5, 18, 10),"
                "  ('ART-2', 'D-1', 2, 0, '8471.30.00', 10, 1.5, 15, 10);"
                "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, "
                "  EXTNRO, EXTITM, EXTFDC) values (4, 'D-1', 1, 0, 2, 'E', NULL, '', '7', 'EXP-2', 3, "
                "  '2026-02-01 10:00:00')"))
            return;
        onArticle();
        connectLibrary(uri());
    }
    static clConexion& cn() { return basGlobal().conexionLocal(); }
    static long trips() { return serverRoundTrips(cn().engine()); }
    // A read as "columns" then "value|value|..." for each row; the reason when it failed.
    static QStringList read(const sql::Statement& statement) {
        cn().setSql(statement);
        Recordset rs;
        if (!cn().GetRecordset(rs))
            return {"failed: " + cn().lastError()};
        QStringList lines{rs.columns().join('|')};
        for (const auto& row : rs.rows()) {
            QStringList cells;
            for (const QVariant& v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : QString(v.typeName()) + ' ' + v.toString());
            lines << cells.join('|');
        }
        return lines;
    }
    static bool write(const sql::Statement& statement) {
        cn().setSql(statement);
        return cn().Execute() == 1;
    }
    // A cancellation of `article` against `item` with line order 9.
    static sql::Statement newCancellation(const sql::ArticleKey& article, const sql::ExportItem& item) {
        sql::NewCancellation row;
        row.linord = "9";
        row.intndc = article.intndc;
        row.artino = QString::number(article.artino);
        row.artsno = QString::number(article.artsno);
        row.artcds = "1";
        row.extnro = item.extnro;
        row.extitm = QString::number(item.extitm);
        row.now = "05/12/2026 10:30:00";
        return sql::insertCancellation(row);
    }
    bool registerQuantity(const QString& quantity, long* roundTrips = nullptr) {
        long before = 0;
        const bool saved = pressF11(frmRelArt::instance(), {{"txtDescuento", quantity}, {"txtARTVEN", "31/12/2027"}},
                                    [&](Form&) { before = trips(); });
        if (roundTrips)
            *roundTrips = trips() - before;
        return saved;
    }
};

} // namespace

TEST_F(ServerSaveReads, ARegistrationTakesFiveRoundTripsAndAModificationSix) {
    // The first save of a connection looks up the history and prepares its statements.
    ASSERT_TRUE(registerQuantity("1"));
    // Lock and the three reads, insert, total, available, history entry and commit.
    basGlobal().g_ARTINO = 2;
    long roundTrips = 0;
    ASSERT_TRUE(registerQuantity("4", &roundTrips));
    EXPECT_EQ(roundTrips, 5);
    EXPECT_EQ(query("select ARTINO, ARTDSC from ARTICULOS order by ARTINO"), (QStringList{"1|9", "2|6"}));
    EXPECT_EQ(query("select count(*) from HISTORY"), QStringList{"2"});
    // A refusal reads with the lock as well: nothing more is sent before the save ends.
    ASSERT_FALSE(registerQuantity("1", &roundTrips));
    EXPECT_EQ(boxes.texts(), QStringList{"64 Este articulo ya relacionado con el Item"});
    EXPECT_EQ(roundTrips, 2);
    // A modification: lock and the re-read, the rows it changes for the history, its
    // update, total, available, history entry and commit.
    boxes.shown.clear();
    long before = 0;
    ASSERT_TRUE(pressF11(frmModifcar::instance(), {{"txtARTCDS", "3"}, {"TxtARTVEN", "31/12/2027"}},
                         [&](Form&) { before = trips(); }));
    EXPECT_EQ(trips() - before, 6);
    EXPECT_EQ(query("select ARTDSC from ARTICULOS where ARTINO = 2"), QStringList{"7"});
}

TEST_F(ServerSaveReads, AKeptReadGivesTheRowsItGivesSentAloneAndOnlyOnce) {
    const std::vector<sql::Statement> reads{
        sql::quantitiesOfArticle(kArticle),
        sql::quantitiesOfArticle(kArticle, &kOther),
        sql::countCancellation(kArticle, kItem),
        sql::countCancellation(kArticle, kOther), // the same shape, other values
        sql::maxLineOrder(kOther),
        sql::cancellationsOfArticle(kArticle), // dates, nulls, an order number
        sql::article(kSecond),
        sql::article({"D-9", 1, 0}), // no row
    };
    ASSERT_TRUE(cn().BeginTransaction());
    std::vector<QStringList> alone;
    for (const sql::Statement& statement : reads)
        alone.push_back(read(statement));
    cn().RollbackTransaction();
    EXPECT_EQ(alone[3], (QStringList{"Cantidad", "qlonglong 1"}));

    ASSERT_TRUE(cn().BeginTransaction(reads));
    // Asked in the other order: each answer is its own statement's.
    const long before = trips();
    for (std::size_t i = reads.size(); i-- > 0;)
        EXPECT_EQ(read(reads[i]), alone[i]) << reads[i].text().toStdString();
    EXPECT_EQ(trips(), before);
    // Once: asked again, it goes to the server.
    EXPECT_EQ(read(reads[3]), alone[3]);
    EXPECT_EQ(trips(), before + 1);
    EXPECT_TRUE(cn().CommitTransaction());
}

TEST_F(ServerSaveReads, AWriteBetweenDropsWhatWasKept) {
    const std::vector<sql::Statement> reads{sql::countCancellation(kSecond, kItem), sql::maxLineOrder(kItem)};
    const QStringList kept[] = {{"Cantidad", "qlonglong 0"}, {"mayor", "NULL"}};
    const QStringList written[] = {{"Cantidad", "qlonglong 1"}, {"mayor", "qlonglong 9"}};
    const struct {
        const char* name;
        std::function<void()> write;
        bool commit; // the write is another workstation's, after this save committed
    } cases[] = {
        {"a statement", [] { EXPECT_TRUE(write(newCancellation(kSecond, kItem))); }, false},
        {"a text",
         [] {
             cn().setSql(newCancellation(kSecond, kItem).text());
             EXPECT_EQ(cn().Execute(), 1);
         },
         false},
        {"another workstation", [&] { exec(newCancellation(kSecond, kItem).text()); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        exec("delete from CANCELACIONES where EXTNRO = 'EXP-1'");
        ASSERT_TRUE(cn().BeginTransaction(reads));
        if (c.commit) {
            EXPECT_TRUE(cn().CommitTransaction());
            c.write();
            ASSERT_TRUE(cn().BeginTransaction());
        } else {
            c.write();
        }
        for (std::size_t i = 0; i < reads.size(); ++i)
            EXPECT_EQ(read(reads[i]), written[i]);
        cn().RollbackTransaction();
    }
    // Unwritten, they are what was kept.
    exec("delete from CANCELACIONES where EXTNRO = 'EXP-1'");
    ASSERT_TRUE(cn().BeginTransaction(reads));
    for (std::size_t i = 0; i < reads.size(); ++i)
        EXPECT_EQ(read(reads[i]), kept[i]);
    cn().RollbackTransaction();
}

TEST_F(ServerSaveReads, AReadFailingWithTheLockLeavesTheSaveUsableAndTellsWhatItTellsAlone) {
    // Another program keeps quantities as texts; one of them is no number.
    exec("alter table CANCELACIONES alter column ARTCDS type text;"
         "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM) "
         "values (5, 'D-1', 2, 0, 'dos', 'EXP-2', 3)");
    const std::vector<sql::Statement> reads{sql::countCancellation(kArticle, kOther), sql::quantitiesOfArticle(kSecond),
                                            sql::maxLineOrder(kOther), sql::article(kSecond)};
    ASSERT_TRUE(cn().BeginTransaction());
    std::vector<QStringList> alone;
    for (const sql::Statement& statement : reads)
        alone.push_back(read(statement));
    cn().RollbackTransaction();
    ASSERT_EQ(alone[1], QStringList{"failed: Type mismatch (SQLSTATE 22018)"});
    const QString logged = log.text();
    const QString failure = QStringLiteral("clConexion: Type mismatch (SQLSTATE 22018)");
    ASSERT_EQ(logged.count(failure), 1) << logged.toStdString();
    ASSERT_EQ(logged.count(reads[1].text()), 1) << logged.toStdString();

    ASSERT_TRUE(cn().BeginTransaction(reads));
    EXPECT_TRUE(cn().InTransaction());
    for (std::size_t i = 0; i < reads.size(); ++i)
        EXPECT_EQ(read(reads[i]), alone[i]) << reads[i].text().toStdString();
    EXPECT_EQ(log.text().count(failure), 2) << log.text().toStdString();
    EXPECT_EQ(log.text().count(reads[1].text()), 2) << log.text().toStdString();
    // The save goes on and keeps what it writes.
    EXPECT_TRUE(write(newCancellation(kSecond, kItem)));
    EXPECT_TRUE(cn().CommitTransaction());
    EXPECT_EQ(query("select count(*) from CANCELACIONES where EXTNRO = 'EXP-1'"), QStringList{"1"});
}

TEST_F(ServerSaveReads, AConnectionLostAfterTheLockDropsWhatWasKeptAndTheSaveGoesNoFurther) {
    const std::vector<sql::Statement> reads{sql::countCancellation(kArticle, kOther), sql::maxLineOrder(kOther)};
    ASSERT_TRUE(cn().BeginTransaction(reads));
    exec("select pg_terminate_backend(pid) from pg_stat_activity where application_name = 'quendarx' "
         "and datname = current_database()");
    // The first call finds the connection gone; nothing kept answers after it.
    EXPECT_EQ(read(sql::article(kArticle)).value(0).left(7), "failed:");
    for (const sql::Statement& statement : reads)
        EXPECT_EQ(read(statement).value(0).left(7), "failed:") << statement.text().toStdString();
    EXPECT_FALSE(write(newCancellation(kArticle, kItem)));
    EXPECT_FALSE(cn().CommitTransaction());
    EXPECT_FALSE(log.text().contains("made again")) << log.text().toStdString();
    EXPECT_EQ(query("select count(*) from CANCELACIONES"), QStringList{"1"});
}
