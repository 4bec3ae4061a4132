// Clerks whose saves meet on one server: four processes registering against one export
// item at the same time, and two clerks whose saves meet on one article (the second save
// re-reads what is left of it once it holds the saves' lock).
#include "MeetingSaves.h"
#include "ServerStock.h"
#include "data/clConexion.h"
#include <QRegularExpression>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerClerks : public ServerStock {};

} // namespace

TEST_F(ServerClerks, FourProcessesOnOneExportItemNumberEveryLineOnceWithoutAMessage) {
    const int each = repetitions("QX_SERVER_REGISTRATIONS", 50);
    constexpr int kClerks = 4;
    exec(QStringLiteral("insert into OPERACIONES values ('1', 'D-1', 'Importacion', '2026-01-15'); "
                        "insert into ARTICULOS select 'ART-' || n, 'D-1', n, 0, '8471.30.00', 1000, 1.5, 1500, 1000 "
                        "from generate_series(1, %1) n")
             .arg(kClerks * each));
    qputenv("QX_FAULT_GO", "1");
    std::vector<std::unique_ptr<QProcess>> clerks;
    for (int c = 0; c < kClerks; ++c) // no second try: a collision would show as a message
        clerks.push_back(startWorker(registerArgs(uri(), "EXP-1", QString::number(c * each + 1), each) << "1"));
    qunsetenv("QX_FAULT_GO");
    for (auto& clerk : clerks)
        ASSERT_TRUE(clerk->waitForReadyRead(30000) && clerk->readLine() == "READY\n");
    for (auto& clerk : clerks)
        clerk->write("go\n");
    for (auto& clerk : clerks) {
        ASSERT_TRUE(clerk->waitForFinished(300000));
        const WorkerRun run = collect(*clerk);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(run.lines.size(), each);
        EXPECT_EQ(run.lines.filter(QRegularExpression("^OK .* 1$")), run.lines); // saved at the first try
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
    const QString switches = QStringLiteral("select count(*) from (select (ARTINO - 1) / %1 as o, lag((ARTINO - 1) / "
                                            "%1) over (order by LINORD) as p from CANCELACIONES) t where o <> p");
    EXPECT_GE(query(switches.arg(each)).value(0).toInt(), 3) << "the clerks ran one after the other";
}

TEST_F(ServerClerks, TwoRegistrationsOfOneArticleMeet) {
    expectMeetingRegistrationsToStayWithinTheArticle(stock(), boxes);
}

TEST_F(ServerClerks, AModificationAndARegistrationOfOneArticleMeet) {
    expectModificationMeetingARegistrationToStayWithinTheArticle(stock(), boxes);
}

TEST_F(ServerClerks, RegionalQuantitiesAreReadAsTheLibraryReadsThem) {
    // The quantity columns as another program made them.
    exec("alter table ARTICULOS alter column ARTCAN type text");
    expectRegionalTotalsReadAsTheLibraryReadsThem(stock(), boxes,
                                                  "alter table CANCELACIONES alter column ARTCDS type text");
    // A stock made before the conversion functions gets them when the library connects.
    exec("drop function cdbl(text); drop function cdbl(double precision)");
    connectLibrary(uri());
    EXPECT_EQ(query("select count(*) from pg_proc where proname = 'cdbl'"), QStringList{"2"});
    // The connection made again after a lost one reads them with the same separators.
    auto readRegional = [] {
        Recordset rs;
        basGlobal().conexionLocal().setSql(QStringLiteral("select cdbl('1.120,5') as N"));
        return basGlobal().conexionLocal().GetRecordset(rs) ? rs.Fields("N").toDouble() : -1;
    };
    EXPECT_EQ(readRegional(), 1120.5);
    // Only this test's connections: the tests running beside it have databases of their own.
    exec("select pg_terminate_backend(pid) from pg_stat_activity where application_name = 'quendarx' "
         "and datname = current_database()");
    EXPECT_EQ(readRegional(), 1120.5);
}
