// The stock file deleted while connected, or locked by another writer for longer than the
// busy timeout: the clerk sees the screen's own message, the log holds the engine's
// reason, what was saved before stays, and once the cause is gone the next attempt works.
#include "MeetingSaves.h"
#include "automation/clcancelMain.h"
#include "cancellations/frmRelArt.h"
#include <QElapsedTimer>
#include <sqlite3.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

// The stock with three articles, connected.
class StockFaults : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        addArticles(db.path(), 3);
        ASSERT_TRUE(connect());
    }
    bool connect() {
        basGlobal().g_UbicacionBaseDatos = db.path();
        return clcancelMain().Conectar_DB();
    }
    // The clerk registers one unit of article `artino` of D-1 against EXP-1 1; the boxes
    // shown, none when it registered.
    QStringList registerArticle(int artino) {
        onArticle();
        basGlobal().g_ARTINO = artino;
        const bool registered = pressF11(frmRelArt::instance(), {{"txtDescuento", "1"}});
        const QStringList shown = takeBoxes();
        EXPECT_EQ(registered, shown.isEmpty());
        return shown;
    }
    // Articles 1..last registered once each and lowered by one, nothing else, the file sound.
    void expectRegistered(int last) {
        EXPECT_EQ(db.query("select count(*), count(distinct ARTINO), min(ARTINO), max(ARTINO), min(ARTDSC), "
                           "max(ARTDSC) from CANCELACIONES join ARTICULOS using (INTNDC, ARTINO, ARTSNO)"),
                  QStringList{QStringLiteral("%1|%1|1|%1|999.0|999.0").arg(last)});
        resetLibraryState();
        expectStockSound(db.path());
    }

    ScratchDatabase db;
};

} // namespace

TEST_F(StockFaults, StockFileDeletedWhileConnectedRefusesToWriteIntoTheVoid) {
    ASSERT_EQ(registerArticle(1), QStringList());
    // A copy page for page (the journal folded in first), as the deleted file's journal stays.
    const QString copy = db.dir() + "/copy.db";
    execFile(db.path(), "pragma wal_checkpoint(full)");
    ASSERT_TRUE(QFile::copy(db.path(), copy));

    ASSERT_TRUE(QFile::remove(db.path()));
    EXPECT_EQ(registerArticle(2), QStringList{"16 Error en descontar Cantidad"});
    EXPECT_TRUE(log.text().contains("deleted")) << log.text().toStdString();
    ASSERT_TRUE(QFile::copy(copy, db.path()));
    ASSERT_TRUE(connect());
    EXPECT_EQ(registerArticle(2), QStringList());
    expectRegistered(2);
}

// The only test that sits through the whole busy timeout, once: the clerk waits several
// seconds for the other writer, is refused, and is not left waiting for good.
TEST_F(StockFaults, WriterHoldingTheLockPastTheBusyTimeoutDelaysThenRefusesTheRegistration) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin immediate; update OPERACIONES set INTDSC = 'held'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(registerArticle(1), QStringList{"16 Error en descontar Cantidad"});
    EXPECT_GE(waited.elapsed(), 5000) << "the registration should wait for the other writer first";
    EXPECT_LT(waited.elapsed(), 15000);
    EXPECT_TRUE(log.text().contains("database is locked")) << log.text().toStdString();
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(registerArticle(1), QStringList());
    expectRegistered(1);
}
