// The stock database's disk full, its file deleted while connected, locked by another
// writer for longer than the busy timeout; the outside database gone silent in the middle
// of an import. Each time the clerk sees the screen's own message, the log holds the
// engine's reason, what was saved before stays, and once the cause is gone the next
// attempt works.
#include "MeetingSaves.h"
#include "automation/clcancelMain.h"
#include "cancellations/frmRelArt.h"
#include "data/Schema.h"
#include "stock/frmImportar.h"
#include <QElapsedTimer>
#include <QProgressBar>
#include <cstring>
#include <sqlite3.h>
#include <sys/mount.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

const QStringList kInsertRefused{"16 Error en descontar Cantidad"};

class StockFaults : public FaultTest {
protected:
    static bool connect(const QString& path) {
        basGlobal().g_UbicacionBaseDatos = path;
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
    static void expectRegistered(const QString& path, int last) {
        EXPECT_EQ(queryFile(path, "select count(*), count(distinct ARTINO), min(ARTINO), max(ARTINO), min(ARTDSC), "
                                  "max(ARTDSC) from CANCELACIONES join ARTICULOS using (INTNDC, ARTINO, ARTSNO)"),
                  QStringList{QStringLiteral("%1|%1|1|%1|999.0|999.0").arg(last)});
        resetLibraryState();
        expectStockSound(path);
    }

    ScratchDatabase db;
};

} // namespace

TEST_F(StockFaults, FullDiskRefusesTheRegistrationAndTheNextOneWorksOnceThereIsRoom) {
    QTemporaryDir mountPoint;
    if (::mount("tmpfs", mountPoint.path().toUtf8().constData(), "tmpfs", 0, "size=400k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); a full disk needs root and a mount namespace that allows it";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(path.toUtf8().constData(), MNT_DETACH); }
    } unmount{mountPoint.path()};

    const QString path = mountPoint.filePath("stock.db");
    ASSERT_TRUE(createLocalDatabase(path, nullptr));
    addArticles(path, 300);
    ASSERT_TRUE(connect(path));
    ASSERT_EQ(registerArticle(1), QStringList());
    { // Fill what is left of the disk.
        QFile filler(mountPoint.filePath("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
    }
    int refused = 1;
    QStringList shown;
    while (shown.isEmpty() && ++refused <= 300)
        shown = registerArticle(refused);
    ASSERT_EQ(shown, kInsertRefused) << "the full disk never refused a registration";
    EXPECT_TRUE(log.text().contains("disk is full")) << log.text().toStdString();

    QFile::remove(mountPoint.filePath("filler"));
    EXPECT_EQ(registerArticle(refused), QStringList());
    expectRegistered(path, refused);
}

TEST_F(StockFaults, StockFileDeletedWhileConnectedRefusesToWriteIntoTheVoid) {
    addArticles(db.path(), 3);
    ASSERT_TRUE(connect(db.path()));
    ASSERT_EQ(registerArticle(1), QStringList());
    // A copy page for page (the journal folded in first), so that the file put back with
    // the journal the deleted one left beside it reads the same rows.
    const QString copy = db.dir() + "/copy.db";
    execFile(db.path(), "pragma wal_checkpoint(full)");
    ASSERT_TRUE(QFile::copy(db.path(), copy));

    ASSERT_TRUE(QFile::remove(db.path()));
    EXPECT_EQ(registerArticle(2), kInsertRefused);
    EXPECT_TRUE(log.text().contains("deleted")) << log.text().toStdString();
    ASSERT_TRUE(QFile::copy(copy, db.path()));
    ASSERT_TRUE(connect(db.path()));
    EXPECT_EQ(registerArticle(2), QStringList());
    expectRegistered(db.path(), 2);
}

// The only test that sits through the whole busy timeout, once: the clerk waits several
// seconds for the other writer, is refused, and is not left waiting for good.
TEST_F(StockFaults, WriterHoldingTheLockPastTheBusyTimeoutDelaysThenRefusesTheRegistration) {
    addArticles(db.path(), 3);
    ASSERT_TRUE(connect(db.path()));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin immediate; update OPERACIONES set INTDSC = 'held'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(registerArticle(1), kInsertRefused);
    EXPECT_GE(waited.elapsed(), 5000) << "the registration should wait for the other writer first";
    EXPECT_LT(waited.elapsed(), 15000);
    EXPECT_TRUE(log.text().contains("database is locked")) << log.text().toStdString();
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(registerArticle(1), QStringList());
    expectRegistered(db.path(), 1);
}

TEST_F(StockFaults, OutsideDatabaseGoneSilentMidImportStopsWithTheScreensMessage) {
    const QString outside = db.dir() + "/outside.db";
    makeOutside(outside, "7001", 10, 3);
    ASSERT_TRUE(connect(db.path()));
    basGlobal().g_NumeroInterno = "7001";
    basGlobal().g_BaseExterna = outsideConnection(outside, 300);
    auto import = [&](const QString& code, const std::function<void(Form&)>& beforeF11 = {}) {
        pressF11(frmImportar::instance(),
                 {{"txtINTNDC", code}, {"txtINTDSC", "Importacion"}, {"txtINTFOF", "05/12/2026"}}, beforeF11);
        return takeBoxes();
    };
    // Another program takes the outside file for itself just before item 5 is read.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(outside.toUtf8().constData(), &other), SQLITE_OK);
    bool locked = false;
    const QStringList stopped = import("IMP-1", [&](Form& screen) {
        QObject::connect(screen.progressBar("Pb"), &QProgressBar::valueChanged, [&](int value) {
            if (value == 5 && !locked)
                locked = sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr) == SQLITE_OK;
        });
    });
    EXPECT_EQ(stopped, QStringList{"16 Error en obtener los Articulos"});
    ASSERT_TRUE(locked);
    EXPECT_TRUE(log.text().contains("locked")) << log.text().toStdString();
    // Items 1 to 4 stay saved: the import writes what it read before the stop.
    EXPECT_EQ(queryFile(db.path(), "select count(*), max(ARTINO) from ARTICULOS where INTNDC = 'IMP-1'"),
              QStringList{"12|4"});

    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(import("IMP-1"), QStringList{"48 El número de declaración IMP-1 ya existe en base de datos"});
    EXPECT_EQ(import("IMP-2"), QStringList{"64 Despacho agregado en stock"});
    EXPECT_EQ(queryFile(db.path(), "select INTNDC, count(*) from ARTICULOS group by INTNDC order by INTNDC"),
              (QStringList{"IMP-1|12", "IMP-2|30"}));
    resetLibraryState();
    expectStockSound(db.path());
}
