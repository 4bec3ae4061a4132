#include "MeetingSaves.h"
#include "cancellations/Recompute.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include <QElapsedTimer>

namespace quendarx::test {

namespace {

// Article D-1 1/0 of 10 with `available` left, the library connected to the stock.
void addArticle(const MeetingStock& stock, int available) {
    stock.exec("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1', 'D-1', 'Importacion', "
               "'2026-01-15')");
    stock.exec(QStringLiteral("insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, "
                              "ARTFOB, ARTDSC) values ('ART-1', 'D-1', 1, 0, '8471.30.00', 10, 1.5, 15, %1)")
                   .arg(available));
}

void connectLibrary(const QString& location) {
    basGlobal().conexionLocal().setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + location);
    basGlobal().conexionLocal().Connect();
}

// What a process printed until it printed `word`.
QByteArray readUntil(QProcess& process, const QByteArray& word) {
    QByteArray out;
    while (!out.contains(word) && process.waitForReadyRead(30000))
        out += process.readAllStandardOutput();
    return out;
}

// While another program holds the lock (the sqlite3 shell inside BEGIN IMMEDIATE on a file,
// psql holding the saves' advisory lock on a server), the other clerk registers `quantity`
// of the article against EXP-1 item 2 and waits in its save; this clerk presses F11 on
// `screen`, the lock going a second later. Whether this clerk saved, and what the other
// was told.
std::pair<bool, QString> meet(const MeetingStock& stock, int quantity, Form& screen, const BoxTexts& texts) {
    connectLibrary(stock.location);
    const bool server = stock.location.startsWith(QLatin1String("postgres"));
    QProcess holder;
    holder.start(server ? "psql" : "sqlite3",
                 server ? QStringList{"-X", "-q", "-d", stock.location} : QStringList{stock.location});
    holder.write(server ? "select pg_advisory_lock(7208314);\n\\echo LOCKED\n"
                        : "BEGIN IMMEDIATE;\nselect 'LOCKED';\n");
    EXPECT_TRUE(readUntil(holder, "LOCKED").contains("LOCKED"));
    qputenv("QX_FAULT_LOADED", "1");
    auto other = startWorker(
        {"register", stock.location, "EXP-1", "2", "D-1", "1", "1", "1", QString::number(quantity)});
    qunsetenv("QX_FAULT_LOADED");
    EXPECT_TRUE(readUntil(*other, "LOADED").contains("READY\nLOADED"));

    onArticle();
    QElapsedTimer waited;
    const bool mine = pressF11(screen, texts, [&](Form&) {
        holder.write(server ? "select pg_sleep(1);\n\\q\n" : ".shell sleep 1\nCOMMIT;\n.quit\n");
        holder.waitForBytesWritten(5000);
        waited.start();
    });
    EXPECT_GE(waited.elapsed(), 700) << "the save should have waited for the other program";
    EXPECT_TRUE(other->waitForFinished(30000) && holder.waitForFinished(15000));
    const WorkerRun run = collect(*other);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    resetLibraryState(); // the stock is read afterwards by a connection of its own
    return {mine, run.lines.value(run.lines.size() - 1)};
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
    const auto [mine, theirs] = meet(stock, 6, frmRelArt::instance(),
                                     {{"txtDescuento", "6"}, {"txtARTVEN", "31/12/2027"}});
    // Whoever came second is told what is left now, and nothing of theirs is written.
    const QString refusal = "48 El valor a descontar no puede ser mayor a 04,00";
    EXPECT_EQ(theirs, mine ? "MSG 1 " + refusal : "OK 1 1");
    EXPECT_EQ(boxes.texts(), mine ? QStringList() : QStringList{refusal});
    EXPECT_EQ(stock.query("select count(*), count(case when ARTCDS = 6 then 1 end) from CANCELACIONES"),
              QStringList{"1|1"});
    EXPECT_EQ(stock.query("select count(*) from ARTICULOS where ARTDSC = 4"), QStringList{"1"});
}

void expectModificationMeetingARegistrationToStayWithinTheArticle(const MeetingStock& stock,
                                                                  RecordingMessageBoxes& boxes) {
    // 2 of it cancelled against this clerk's export item; the screen offers up to 10, which
    // this clerk raises to 9 while the other registers 5.
    addArticle(stock, 8);
    stock.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, "
               "EXTNRO, EXTITM, EXTFDC) values (1, 'D-1', 1, 0, 2, '', '', '31/12/2027', NULL, 'EXP-1', 1, "
               "'2026-12-01 09:00:00')");
    const auto [mine, theirs] = meet(stock, 5, frmModifcar::instance(),
                                     {{"txtARTCDS", "9"}, {"TxtARTVEN", "31/12/2027"}});
    EXPECT_EQ(theirs, mine ? "MSG 1 48 El valor a descontar no puede ser mayor a 01,00" : "OK 1 1");
    EXPECT_EQ(boxes.texts(), mine ? QStringList() : QStringList{"48 El campo CANTIDAD no puede superar 05,00"});
    // The refused clerk's row is as it was, not even its date rewritten.
    EXPECT_EQ(stock.query("select count(*), count(case when EXTITM = 1 and " +
                          QString(mine ? "ARTCDS = 9" : "ARTCDS = 2 and EXTFDC < '2026-12-02'") +
                          " then 1 end) from CANCELACIONES"),
              QStringList{mine ? "1|1" : "2|1"});
    EXPECT_EQ(stock.query(QStringLiteral("select count(*) from ARTICULOS where ARTDSC = %1").arg(mine ? 1 : 3)),
              QStringList{"1"});
}

void expectRegionalTotalsReadAsTheLibraryReadsThem(const MeetingStock& stock, RecordingMessageBoxes& boxes,
                                                   const QString& cancelledAsText) {
    addArticle(stock, 10);
    stock.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, "
               "EXTNRO, EXTITM, EXTFDC) values (1, 'd-1', 1, 0, '5', '', '', '', NULL, 'EXP-2', 1, "
               "'2026-12-01 09:00:00')");
    connectLibrary(stock.location);
    // The recomputation every registration, modification and deletion ends with (the
    // cancellation's code in other letter case: codes match whatever their case).
    const struct {
        QLocale locale;
        const char* total;
        const char* available; // ARTDSC afterwards, or the message
    } cases[] = {
        {esAR(), "120,5", "115.5"},
        {esAR(), "1.120,5", "1115.5"},
        {enUS(), "1,120.5", "1115.5"},
        {esAR(), "n/d", "Error en actualizar CANTIDAD DISPONIBLE"},
    };
    for (const auto& c : cases) {
        ScopedLocale locale(c.locale);
        stock.exec(QStringLiteral("update ARTICULOS set ARTCAN = '%1', ARTDSC = 0").arg(QLatin1String(c.total)));
        const QString failure = recomputeAvailable({"D-1", 1, 0});
        const QString seen = failure.isEmpty() ? stock.query("select ARTDSC from ARTICULOS").value(0) : failure;
        EXPECT_EQ(seen, QLatin1String(c.available)) << c.total;
    }
    // A registration's re-check: 2,5 of the 10 cancelled, though ARTDSC still says 10.
    if (!cancelledAsText.isEmpty())
        stock.exec(cancelledAsText);
    stock.exec("update ARTICULOS set ARTCAN = '10', ARTDSC = 10; update CANCELACIONES set ARTCDS = '2,5'");
    onArticle();
    EXPECT_FALSE(pressF11(frmRelArt::instance(), {{"txtDescuento", "7,6"}, {"txtARTVEN", "31/12/2027"}}));
    EXPECT_EQ(boxes.texts(), QStringList{"48 El valor a descontar no puede ser mayor a 07,50"});
    EXPECT_EQ(stock.query("select count(*) from CANCELACIONES"), QStringList{"1"});
}

} // namespace quendarx::test
