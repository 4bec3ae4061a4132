// A server in trouble: a statement of a save refused after waiting for another
// program's lock leaves the server's reason in the log; a backend that stops answering
// in the middle of a call fails that call within about ten seconds with the screen's
// message, and the next call goes on; a stock that could not be reached when connecting
// is tried again at the next call.
#include "FaultSupport.h"
#include "MeetingSaves.h"
#include "ServerStock.h"
#include "cancellations/frmRelArt.h"
#include "data/ServerEngine.h"
#include "data/clConexion.h"
#include "platform/RuntimeError.h"
#include <QElapsedTimer>
#include <QUrl>
#include <csignal>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerTrouble : public ServerStock {
protected:
    void SetUp() override {
        ServerStock::SetUp();
        resetLibraryState();
        if (IsSkipped())
            return;
        exec("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('1', 'D-1', 'Importacion', "
             "'2026-01-15'); insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, "
             "ARTDSC) values ('ART-1', 'D-1', 1, 0, '8471.30.00', 10, 1.5, 15, 10)");
        onArticle();
        basGlobal().conexionLocal().setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + uri());
    }
    void TearDown() override {
        resetLibraryState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Registers `quantity` of the article against the host's item; true when it saved.
    bool registerQuantity(const QString& quantity) {
        return pressF11(frmRelArt::instance(), {{"txtDescuento", quantity}, {"txtARTVEN", "31/12/2027"}});
    }

    ScopedLocale locale{esAR()};
    LogFile log;
    RecordingMessageBoxes boxes;
};

// A backend stopped for the scope, started again however the test ends (after 25 s at
// the latest, should the call under test wait for it).
class FrozenBackend {
public:
    explicit FrozenBackend(qint64 pid) : pid_(pid) {
        stopped_ = pid_ > 0 && ::kill(pid_t(pid_), SIGSTOP) == 0;
        if (stopped_)
            QProcess::startDetached("sh", {"-c", QStringLiteral("sleep 25; kill -CONT %1 2>/dev/null").arg(pid_)});
    }
    ~FrozenBackend() { thaw(); }
    FrozenBackend(const FrozenBackend&) = delete;
    FrozenBackend& operator=(const FrozenBackend&) = delete;
    bool stopped() const { return stopped_; }
    void thaw() {
        if (stopped_)
            ::kill(pid_t(pid_), SIGCONT);
        stopped_ = false;
    }

private:
    qint64 pid_;
    bool stopped_ = false;
};

} // namespace

TEST_F(ServerTrouble, AStatementRefusedAfterWaitingForALockLogsTheServersReason) {
    // Another program keeps the article locked past the saves' lock timeout.
    QProcess holder;
    holder.start("psql", {"-X", "-q", "-d", uri()});
    holder.write("begin;\nselect ARTINO from ARTICULOS for update;\n\\echo LOCKED\nselect pg_sleep(15);\n");
    QByteArray out;
    while (!out.contains("LOCKED") && holder.waitForReadyRead(10000))
        out += holder.readAllStandardOutput();
    ASSERT_TRUE(out.contains("LOCKED"));
    basGlobal().conexionLocal().Connect();
    EXPECT_FALSE(registerQuantity("4"));
    holder.kill();
    holder.waitForFinished(5000);
    EXPECT_EQ(boxes.texts(), QStringList{"16 Error en actualizar CANTIDAD DISPONIBLE"});
    EXPECT_TRUE(log.text().contains("lock timeout")) << log.text().toStdString();
    EXPECT_TRUE(log.text().contains("SQLSTATE 55P03")) << log.text().toStdString();
}

TEST_F(ServerTrouble, ABackendThatStopsAnsweringFailsTheCallWithinTenSecondsAndTheNextCallGoesOn) {
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.Connect();
    auto backend = [&] {
        Recordset rs;
        conexion.setSql(QStringLiteral("select pg_backend_pid() as PID"));
        return conexion.GetRecordset(rs) ? rs.Fields("PID").toLongLong() : 0;
    };
    auto expectBounded = [](const QElapsedTimer& timer) {
        EXPECT_GE(timer.elapsed(), 9000);
        EXPECT_LT(timer.elapsed(), 14000);
    };
    {
        // A read outside a save.
        FrozenBackend frozen(backend());
        ASSERT_TRUE(frozen.stopped());
        QElapsedTimer timer;
        timer.start();
        Recordset rs;
        conexion.setSql(sql::countDeclaration("D-1"));
        EXPECT_FALSE(conexion.GetRecordset(rs));
        expectBounded(timer);
        EXPECT_TRUE(conexion.lastError().contains("did not answer")) << conexion.lastError().toStdString();
    }
    {
        // A registration whose save finds the backend frozen: the screen's message.
        std::unique_ptr<FrozenBackend> frozen;
        QElapsedTimer timer;
        EXPECT_FALSE(pressF11(frmRelArt::instance(), {{"txtDescuento", "4"}, {"txtARTVEN", "31/12/2027"}}, [&](Form&) {
            frozen = std::make_unique<FrozenBackend>(backend());
            timer.start();
        }));
        ASSERT_TRUE(frozen && frozen->stopped());
        expectBounded(timer);
        EXPECT_EQ(boxes.texts(), QStringList{"16 Error en descontar Cantidad"});
    }
    // Thawed: the next registration connects again and saves.
    EXPECT_TRUE(registerQuantity("4"));
    EXPECT_EQ(query("select count(*), sum(ARTCDS) from CANCELACIONES"), QStringList{"1|4"});
    EXPECT_EQ(query("select ARTDSC from ARTICULOS"), QStringList{"6"});
}

TEST_F(ServerTrouble, AStockNotReachedWhenConnectingIsTriedAgainAtTheNextCall) {
    const QString database = QUrl(uri()).path().mid(1);
    auto allowConnections = [&](bool allow) {
        QProcess psql;
        psql.start("psql",
                   {"-X", "-q", "-d", serverUri("postgres"), "-c",
                    QStringLiteral("alter database %1 allow_connections %2").arg(database, allow ? "true" : "false")});
        EXPECT_TRUE(psql.waitForFinished(10000));
        EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    };
    allowConnections(false);
    clConexion& conexion = basGlobal().conexionLocal();
    EXPECT_THROW(conexion.Connect(), RuntimeError);
    Recordset rs;
    conexion.setSql(sql::countDeclaration("D-1"));
    EXPECT_FALSE(conexion.GetRecordset(rs));
    allowConnections(true);
    ASSERT_TRUE(conexion.GetRecordset(rs)) << conexion.lastError().toStdString();
    EXPECT_EQ(rs.Fields("Cant").toInt(), 1);
    EXPECT_TRUE(registerQuantity("4"));
    EXPECT_EQ(query("select ARTDSC from ARTICULOS"), QStringList{"6"});
}

TEST_F(ServerTrouble, AStatementOfASaveCutOffByALostConnectionNeverRunsOnANewOne) {
    clConexion conexion;
    conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + uri());
    conexion.Connect();
    ASSERT_TRUE(conexion.BeginTransaction());
    exec("select pg_terminate_backend(pid) from pg_stat_activity where application_name = 'quendarx' "
         "and datname = current_database()");
    // Each later statement of the save fails: on a new connection it would be written
    // outside the save's transaction and lock.
    for (const char* code : {"D-2", "D-3"}) {
        conexion.setSql(sql::insertDeclaration("2", code, "Segunda", "16/01/2026"));
        EXPECT_EQ(conexion.Execute(), 0) << code;
    }
    EXPECT_FALSE(conexion.CommitTransaction());
    EXPECT_EQ(query("select INTNDC from OPERACIONES"), QStringList{"D-1"});
    // The next save connects again.
    ASSERT_TRUE(conexion.BeginTransaction()) << conexion.lastError().toStdString();
    conexion.setSql(sql::insertDeclaration("4", "D-4", "Cuarta", "17/01/2026"));
    EXPECT_EQ(conexion.Execute(), 1);
    EXPECT_TRUE(conexion.CommitTransaction());
}
