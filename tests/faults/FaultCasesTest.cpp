// The stock database read-only, its disk full, its file deleted while connected, locked
// by another writer for longer than the busy timeout; the outside database gone silent
// in the middle of an import. Each time the clerk sees the screen's own message, the log
// holds the engine's reason, what was saved before stays, and once the cause is gone the
// next attempt works.
#include "FaultSupport.h"
#include "automation/clcancelMain.h"
#include "cancellations/frmRelArt.h"
#include "data/Schema.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <sqlite3.h>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class StockFaults : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        basGlobal().g_NumeroInterno = QStringLiteral("EXP-1");
        basGlobal().g_Item = 1;
    }
    void TearDown() override {
        for (Form* screen : {static_cast<Form*>(&frmRelArt::instance()), static_cast<Form*>(&frmImportar::instance())})
            if (screen->isLoaded())
                screen->unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        resetLibraryState();
    }

    static bool connect(const QString& path) {
        basGlobal().g_UbicacionBaseDatos = path;
        return clcancelMain().Conectar_DB();
    }

    // The clerk registers one unit of article `artino` on the registration screen; the
    // messages shown ("STYLE text"), none when it registered.
    QStringList registerArticle(int artino) {
        boxes.shown.clear();
        LibraryState& g = basGlobal();
        g.g_INTNDC = QStringLiteral("D-1");
        g.g_ARTINO = artino;
        g.g_ARTSNO = 0;
        frmRelArt& screen = frmRelArt::instance();
        screen.showModeless();
        QLineEdit* quantity = screen.textBox(QStringLiteral("txtDescuento"));
        quantity->setText(QStringLiteral("1"));
        QTest::keyClick(quantity, Qt::Key_F11);
        const bool registered = !screen.isLoaded();
        if (!registered)
            screen.unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QStringList shown = shownBoxes(boxes);
        EXPECT_TRUE(!registered || shown.isEmpty());
        return shown;
    }

    // A stock database with three articles, connected, article 1 registered.
    void startWithOneRegistered(const QString& path) {
        addArticles(path, 3);
        ASSERT_TRUE(connect(path));
        ASSERT_EQ(registerArticle(1), QStringList());
    }

    // Article 2 registers once the fault is gone, and the file is sound.
    void expectSecondRegistersAfterwards(const QString& path) {
        EXPECT_EQ(registerArticle(2), QStringList());
        EXPECT_EQ(registeredArticles(path), (QStringList{QStringLiteral("1:999.0"), QStringLiteral("2:999.0")}));
        resetLibraryState();
        expectStockSound(path);
    }

    static QStringList registeredArticles(const QString& path) {
        return queryFile(path, QStringLiteral("select ARTINO || ':' || ARTDSC from ARTICULOS a where exists "
                                              "(select 1 from CANCELACIONES c where c.ARTINO = a.ARTINO) order by ARTINO"));
    }

    ScopedLocale locale{esAR()};
    LogFile log;
    RecordingMessageBoxes boxes;
};

const QStringList kInsertRefused{QStringLiteral("16 Error en descontar Cantidad")};

// The worker run as an unprivileged user, for whom file permissions count.
void asNobody(QProcess& process) {
    process.setChildProcessModifier([] {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(125);
    });
}

void openUp(const QString& dir) {
    for (const QFileInfo& entry : QDir(dir).entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
        QFile::setPermissions(entry.filePath(), QFileDevice::Permissions(0x6666));
    QFile::setPermissions(dir, QFileDevice::Permissions(0x7777));
}

} // namespace

TEST_F(StockFaults, ReadOnlyStockDatabaseRefusesTheRegistrationAndKeepsWhatItHolds) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run the clerk as another user, for whom a read-only file is read-only";
    // The worker run with no command answers with its usage (status 2), if that user may run it.
    if (runWorker({}, 30000, asNobody).exitCode != 2)
        GTEST_SKIP() << "the unprivileged user cannot run " << QX_FAULT_WORKER << " from this build folder";
    ScratchDatabase db;
    startWithOneRegistered(db.path());
    resetLibraryState(); // the library lets go of the file

    openUp(db.dir());
    QFile::setPermissions(db.path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QStringList args = registerArgs(db.path(), QStringLiteral("EXP-1"), QStringLiteral("2"), 1) << QStringLiteral("1");
    const WorkerRun refused = runWorker(args, 60000, asNobody);
    ASSERT_NE(refused.exitCode, 125) << "cannot switch to an unprivileged user";
    EXPECT_EQ(refused.lines, (QStringList{QStringLiteral("READY"), QStringLiteral("MSG 2 16 Error en descontar Cantidad")}))
        << refused.errors.toStdString();
    EXPECT_TRUE(log.text().contains(QLatin1String("readonly database"))) << log.text().toStdString();
    EXPECT_EQ(registeredArticles(db.path()), QStringList{QStringLiteral("1:999.0")});

    openUp(db.dir());
    const WorkerRun next = runWorker(args, 60000, asNobody);
    EXPECT_EQ(next.lines, (QStringList{QStringLiteral("READY"), QStringLiteral("OK 2 1")})) << next.errors.toStdString();
    EXPECT_EQ(registeredArticles(db.path()), (QStringList{QStringLiteral("1:999.0"), QStringLiteral("2:999.0")}));
    expectStockSound(db.path());
}

TEST_F(StockFaults, FullDiskRefusesTheRegistrationAndTheNextOneWorksOnceThereIsRoom) {
    QTemporaryDir mountPoint;
    if (::mount("tmpfs", mountPoint.path().toUtf8().constData(), "tmpfs", 0, "size=400k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); a full disk needs root and a mount namespace that allows it";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(path.toUtf8().constData(), MNT_DETACH); }
    } unmount{mountPoint.path()};

    const QString path = mountPoint.filePath(QStringLiteral("stock.db"));
    QString error;
    ASSERT_TRUE(createLocalDatabase(path, &error)) << error.toStdString();
    addArticles(path, 300);
    ASSERT_TRUE(connect(path));
    ASSERT_EQ(registerArticle(1), QStringList());

    // Fill what is left of the disk.
    const QString fillerPath = mountPoint.filePath(QStringLiteral("filler"));
    {
        QFile filler(fillerPath);
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    int refusedArticle = 0;
    for (int artino = 2; artino <= 300 && refusedArticle == 0; ++artino) {
        const QStringList shown = registerArticle(artino);
        if (!shown.isEmpty()) {
            EXPECT_EQ(shown, kInsertRefused);
            refusedArticle = artino;
        }
    }
    ASSERT_NE(refusedArticle, 0) << "the full disk never refused a registration";
    EXPECT_TRUE(log.text().contains(QLatin1String("disk is full"))) << log.text().toStdString();

    QFile::remove(fillerPath);
    EXPECT_EQ(registerArticle(refusedArticle), QStringList());
    const QStringList rows = registeredArticles(path);
    EXPECT_EQ(rows.size(), refusedArticle);
    EXPECT_EQ(rows.front(), QStringLiteral("1:999.0"));
    EXPECT_EQ(rows.back(), QStringLiteral("%1:999.0").arg(refusedArticle));
    resetLibraryState();
    expectStockSound(path);
}

TEST_F(StockFaults, StockFileDeletedWhileConnectedRefusesToWriteIntoTheVoid) {
    ScratchDatabase db;
    startWithOneRegistered(db.path());
    const QString copy = db.dir() + QStringLiteral("/copy.db");
    execFile(db.path(), QStringLiteral("vacuum into '%1'").arg(copy));

    ASSERT_TRUE(QFile::remove(db.path()));
    EXPECT_EQ(registerArticle(2), kInsertRefused);
    EXPECT_TRUE(log.text().contains(QLatin1String("deleted"))) << log.text().toStdString();

    // Reconnecting to the missing file is reported with the engine's reason.
    EXPECT_FALSE(connect(db.path()));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown.front().style, vbCritical + vbSystemModal);
    EXPECT_TRUE(boxes.shown.front().text.contains(QLatin1String("no such file"))) << boxes.shown.front().text.toStdString();

    // The file put back, the registration goes through.
    ASSERT_TRUE(QFile::copy(copy, db.path()));
    ASSERT_TRUE(connect(db.path()));
    expectSecondRegistersAfterwards(db.path());
}

TEST_F(StockFaults, WriterHoldingTheLockPastTheBusyTimeoutDelaysThenRefusesTheRegistration) {
    ScratchDatabase db;
    startWithOneRegistered(db.path());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().toUtf8().constData(), &other), SQLITE_OK);
    registerEngineFunctions(other);
    ASSERT_EQ(sqlite3_exec(other, "begin immediate; update OPERACIONES set INTDSC = 'held'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(registerArticle(2), kInsertRefused);
    EXPECT_GE(waited.elapsed(), 5000) << "the registration should wait for the other writer first";
    EXPECT_TRUE(log.text().contains(QLatin1String("database is locked"))) << log.text().toStdString();
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    expectSecondRegistersAfterwards(db.path());
}

TEST_F(StockFaults, OutsideDatabaseGoneSilentMidImportStopsWithTheScreensMessage) {
    ScratchDatabase db;
    const QString outside = db.dir() + QStringLiteral("/outside.db");
    makeOutside(outside, QStringLiteral("7001"), 10, 3);
    ASSERT_TRUE(connect(db.path()));
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = QStringLiteral("7001");
    g.g_BaseExterna = outsideConnection(outside, 300);

    // Another program takes the outside file for itself just before item 5 is read.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(outside.toUtf8().constData(), &other), SQLITE_OK);
    bool locked = false;
    auto import = [&](const QString& code, bool lockMidway) {
        frmImportar& screen = frmImportar::instance();
        screen.showModeless();
        if (lockMidway)
            QObject::connect(screen.progressBar(QStringLiteral("Pb")), &QProgressBar::valueChanged, [&](int value) {
                if (value == 5 && !locked)
                    locked = sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr) == SQLITE_OK;
            });
        screen.textBox(QStringLiteral("txtINTNDC"))->setText(code);
        screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("Importacion"));
        QLineEdit* date = screen.textBox(QStringLiteral("txtINTFOF"));
        date->setText(QStringLiteral("05/12/2026"));
        QTest::keyClick(date, Qt::Key_F11);
        if (screen.isLoaded())
            screen.unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return shownBoxes(boxes);
    };
    EXPECT_EQ(import(QStringLiteral("IMP-1"), true), QStringList{QStringLiteral("16 Error en obtener los Articulos")});
    ASSERT_TRUE(locked);
    EXPECT_TRUE(log.text().contains(QLatin1String("locked"))) << log.text().toStdString();
    // Items 1 to 4 stay saved, as the import writes without a transaction.
    EXPECT_EQ(queryFile(db.path(), QStringLiteral("select count(*), max(ARTINO) from ARTICULOS where INTNDC = 'IMP-1'")),
              QStringList{QStringLiteral("12|4")});

    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(import(QStringLiteral("IMP-1"), false),
              QStringList{QStringLiteral("48 El número de declaración IMP-1 ya existe en base de datos")});
    EXPECT_EQ(import(QStringLiteral("IMP-2"), false), QStringList{QStringLiteral("64 Despacho agregado en stock")});
    EXPECT_EQ(queryFile(db.path(), QStringLiteral("select INTNDC, count(*) from ARTICULOS group by INTNDC order by INTNDC")),
              (QStringList{QStringLiteral("IMP-1|12"), QStringLiteral("IMP-2|30")}));
    resetLibraryState();
    expectStockSound(db.path());
}
