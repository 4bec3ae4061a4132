// A server named in any form libpq takes by quendarx-db and the library alike, its
// password never shown, and the import from an outside database on the server (psqlODBC).
#include "HistoryFlows.h"
#include "ServerStock.h"
#include "data/Schema.h"
#include "data/clConexion.h"
#include "platform/RuntimeError.h"
#include <QRegularExpression>

using namespace quendarx;
using namespace quendarx::test;

namespace {
class ServerTools : public ServerStock {};
} // namespace

TEST_F(ServerTools, KeywordsAndTheSchemeInAnyLetterCaseNameTheServerAndNoPasswordIsShown) {
    // The password comes from the environment (PGPASSWORD), as from ~/.pgpass.
    const QString keywords = QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
                                 .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"),
                                      qEnvironmentVariable("PGUSER"), uri().section(u'/', -1));
    const QString scheme = "POSTGRES" + uri().mid(uri().indexOf(u':'));
    for (const QString& location :
         {keywords, scheme, keywords + " password=wrongpass123", scheme + "?password=wrongpass123"}) {
        SCOPED_TRACE(location.toStdString());
        const bool reached = !location.contains("wrongpass123");
        const WorkerRun r = runTool({"check", location});
        EXPECT_EQ(r.exitCode, reached ? 0 : 1) << r.errors.toStdString();
        EXPECT_EQ(r.errors.contains("password authentication failed"), !reached) << r.errors.toStdString();
        EXPECT_FALSE((r.lines.join('\n') + r.errors).contains("wrongpass123")) << r.errors.toStdString();

        clConexion conexion;
        conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + location);
        try {
            conexion.Connect();
        } catch (const RuntimeError&) {
        }
        EXPECT_EQ(conexion.Connected(), reached);
        EXPECT_FALSE(conexion.lastError().contains("wrongpass123")) << conexion.lastError().toStdString();
    }
}

TEST_F(ServerTools, TheImportReadsTheOutsideDatabaseOnTheServerThroughPsqlOdbc) {
    // The outside tables live in a database of their own on the same server.
    const QString outsideName = uri().section('/', -1) + "_outside";
    exec("create database " + outsideName);
    const WorkerRun made = runTool(
        {"sql", serverUri(outsideName),
         "create table item (id integer not null, interno text not null, posicion text); "
         "create table groupsubitems (interno text not null, id integer not null, idsub integer not null, "
         "idarticulo text, ncm text, cantidad double precision, preciounitario double precision, fob double precision); "
         "insert into item values (0, 'P-1', NULL), (1, 'P-1', 'x'), (1, 'OTRO', 'x'); "
         "insert into groupsubitems values ('P-1', 1, 2, 'ART-1-2', '8471.30.00', 12, 1.5, 18), "
         "('P-1', 1, 1, 'ART-1-1', NULL, 2.5, 0.0845, 0.21), ('OTRO', 1, 1, 'NO', 'NO', 1, 1, 1)"});
    ASSERT_EQ(made.exitCode, 0) << made.errors.toStdString();
    const QString odbc = QStringLiteral("Driver={PostgreSQL Unicode};Server=%1;Port=%2;Database=%3;Uid=%4;Pwd=%5")
                             .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"), outsideName,
                                  qEnvironmentVariable("PGUSER"), qEnvironmentVariable("PGPASSWORD"));
    QTemporaryDir dir;
    const QString file = dir.filePath("stock.db");
    ASSERT_TRUE(createLocalDatabase(file, nullptr));
    for (const QString& stock : {uri(), file}) {
        const WorkerRun run = runWorker({"import", stock, odbc, "P-1", "IMP-1"});
        EXPECT_EQ(run.lines, (QStringList{"READY", "MSG 64 Despacho agregado en stock"})) << run.errors.toStdString();
    }
    const QString articles = "select ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC "
                             "from ARTICULOS order by ARTINO, ARTSNO";
    const QStringList onServer = query(articles);
    EXPECT_EQ(onServer.size(), 2);
    // The shell writes a whole double as 12.0, the server as 12.
    EXPECT_EQ(onServer, queryFile(file, articles).replaceInStrings(QRegularExpression(R"(\.0(?=\||$))"), ""));
    EXPECT_EQ(query("select NUMERO, INTNDC, INTDSC, INTFOF from OPERACIONES"),
              QStringList{"P-1|IMP-1|Importacion IMP-1|2026-12-05 00:00:00"});
}
