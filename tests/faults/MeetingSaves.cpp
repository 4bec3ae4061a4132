#include "MeetingSaves.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include <QElapsedTimer>

namespace quendarx::test {

namespace {

// Another program holding the stock's write lock: the sqlite3 shell inside BEGIN
// IMMEDIATE on a file, psql holding the saves' advisory lock on a server.
class LockHolder {
public:
    explicit LockHolder(const QString& location) : server_(location.startsWith(QLatin1String("postgres"))) {
        process_.setProgram(server_ ? QStringLiteral("psql") : QStringLiteral("sqlite3"));
        process_.setArguments(server_ ? QStringList{"-X", "-q", "-d", location} : QStringList{location});
        process_.start();
        process_.write(server_ ? "select pg_advisory_lock(7208314);\n\\echo LOCKED\n"
                               : "BEGIN IMMEDIATE;\nselect 'LOCKED';\n");
        QByteArray out;
        while (!out.contains("LOCKED") && process_.waitForReadyRead(10000))
            out += process_.readAllStandardOutput();
        locked_ = out.contains("LOCKED");
    }
    ~LockHolder() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(15000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool locked() const { return locked_; }
    // Lets the lock go two seconds from now.
    void releaseSoon() {
        process_.write(server_ ? "select pg_sleep(2);\n\\q\n" : ".shell sleep 2\nCOMMIT;\n.quit\n");
        process_.waitForBytesWritten(5000);
    }

private:
    bool server_;
    bool locked_ = false;
    QProcess process_;
};

void connectLibrary(const QString& location) {
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + location);
    conexion.Connect();
}

void addArticle(const MeetingStock& stock, int available) {
    stock.exec("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1', 'D-1', 'Importacion', "
               "'2026-01-15')");
    stock.exec(QStringLiteral("insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, "
                              "ARTFOB, ARTDSC) values ('ART-1', 'D-1', 1, 0, '8471.30.00', 10, 1.5, 15, %1)")
                   .arg(available));
}

// The other clerk, registering `quantity` of the article against EXP-1 item 2, started
// while the lock is held and waiting in its save once its screen has read the article.
std::unique_ptr<QProcess> otherClerk(const QString& location, int quantity) {
    qputenv("QX_FAULT_LOADED", "1");
    auto clerk = startWorker({"register", location, "EXP-1", "2", "D-1", "1", "1", "1", QString::number(quantity)});
    qunsetenv("QX_FAULT_LOADED");
    QByteArray out;
    while (!out.contains("LOADED") && clerk->waitForReadyRead(30000))
        out += clerk->readAllStandardOutput();
    EXPECT_TRUE(out.contains("READY\nLOADED")) << out.toStdString();
    return clerk;
}

// This clerk's F11 on a loaded screen; the lock goes two seconds after it is pressed.
bool pressF11Meeting(Form& screen, const BoxTexts& texts, LockHolder& holder) {
    QElapsedTimer waited;
    const bool saved = pressF11(screen, texts, [&](Form&) {
        holder.releaseSoon();
        waited.start();
    });
    EXPECT_GE(waited.elapsed(), 1500) << "the save should have waited for the other program";
    return saved;
}

// What the other clerk was told last.
QString otherOutcome(QProcess& clerk) {
    EXPECT_TRUE(clerk.waitForFinished(30000));
    const WorkerRun run = collect(clerk);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    return run.lines.value(run.lines.size() - 1);
}

} // namespace

void onArticle() {
    LibraryState& g = basGlobal();
    g.g_NumeroInterno = "EXP-1";
    g.g_Item = 1;
    g.g_INTNDC = "D-1";
    g.g_ARTINO = 1;
    g.g_ARTSNO = 0;
}

void expectMeetingRegistrationsToStayWithinTheArticle(const MeetingStock& stock, RecordingMessageBoxes& boxes) {
    addArticle(stock, 10);
    connectLibrary(stock.location);
    LockHolder holder(stock.location);
    ASSERT_TRUE(holder.locked());
    auto other = otherClerk(stock.location, 6);

    onArticle();
    const bool mine = pressF11Meeting(frmRelArt::instance(), {{"txtDescuento", "6"}, {"txtARTVEN", "31/12/2027"}},
                                      holder);
    const QString theirs = otherOutcome(*other);
    resetLibraryState(); // the stock is read below by a connection of its own

    // Whoever came second is told what is left now, and nothing of theirs is written.
    const QString refusal = "48 El valor a descontar no puede ser mayor a 04,00";
    if (mine) {
        EXPECT_EQ(theirs, "MSG 1 " + refusal);
        EXPECT_EQ(boxes.texts(), QStringList());
    } else {
        EXPECT_EQ(theirs, "OK 1 1");
        EXPECT_EQ(boxes.texts(), QStringList{refusal});
    }
    EXPECT_EQ(stock.query("select count(*) from CANCELACIONES where ARTCDS = 6"), QStringList{"1"});
    EXPECT_EQ(stock.query("select count(*) from CANCELACIONES"), QStringList{"1"});
    EXPECT_EQ(stock.query("select count(*) from ARTICULOS where ARTDSC = 4"), QStringList{"1"});
}

void expectModificationMeetingARegistrationToStayWithinTheArticle(const MeetingStock& stock,
                                                                  RecordingMessageBoxes& boxes) {
    addArticle(stock, 8);
    stock.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, "
               "EXTNRO, EXTITM, EXTFDC) values (1, 'D-1', 1, 0, 2, '', '', '31/12/2027', NULL, 'EXP-1', 1, "
               "'2026-12-01 09:00:00')");
    connectLibrary(stock.location);
    LockHolder holder(stock.location);
    ASSERT_TRUE(holder.locked());
    auto other = otherClerk(stock.location, 5);

    onArticle();
    // The screen offers up to 10; the other clerk may take 5 of it first.
    const bool mine = pressF11Meeting(frmModifcar::instance(), {{"txtARTCDS", "9"}, {"TxtARTVEN", "31/12/2027"}},
                                      holder);
    const QString theirs = otherOutcome(*other);
    resetLibraryState(); // the stock is read below by a connection of its own

    if (mine) {
        EXPECT_EQ(theirs, "MSG 1 48 El valor a descontar no puede ser mayor a 01,00");
        EXPECT_EQ(boxes.texts(), QStringList());
        EXPECT_EQ(stock.query("select count(*) from CANCELACIONES where ARTCDS = 9"), QStringList{"1"});
        EXPECT_EQ(stock.query("select count(*) from ARTICULOS where ARTDSC = 1"), QStringList{"1"});
    } else {
        EXPECT_EQ(theirs, "OK 1 1");
        EXPECT_EQ(boxes.texts(), QStringList{"48 El campo CANTIDAD no puede superar 05,00"});
        // This clerk's row is as it was, not even its date rewritten.
        EXPECT_EQ(stock.query("select count(*) from CANCELACIONES where ARTCDS = 2 and EXTFDC < '2026-12-02'"),
                  QStringList{"1"});
        EXPECT_EQ(stock.query("select count(*) from ARTICULOS where ARTDSC = 3"), QStringList{"1"});
    }
    EXPECT_EQ(stock.query("select count(*) from CANCELACIONES"), QStringList{QString::number(mine ? 1 : 2)});
}

} // namespace quendarx::test
