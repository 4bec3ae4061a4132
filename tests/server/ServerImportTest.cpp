// The import with the outside customs database on a PostgreSQL server, read through the
// psqlODBC driver, into a stock on the server and into a stock file: the same articles.
// And quendarx-db copy, which moves a whole stock from a file to a server and back.
#include "FaultSupport.h"
#include "ServerStock.h"
#include "data/Schema.h"
#include <QProcess>
#include <QRegularExpression>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerImport : public ServerStock {};

QString odbcOn(const QString& database) {
    return QStringLiteral("Driver={PostgreSQL Unicode};Server=%1;Port=%2;Database=%3;Uid=%4;Pwd=%5")
        .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"), database, qEnvironmentVariable("PGUSER"),
             qEnvironmentVariable("PGPASSWORD"));
}

QString tool(const QStringList& args, int* status) {
    QProcess p;
    p.start(QStringLiteral(QX_DB_TOOL), args);
    p.waitForFinished(60000);
    *status = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

} // namespace

TEST_F(ServerImport, ReadsTheOutsideDatabaseOnTheServerThroughPsqlOdbc) {
    // The outside tables live in a database of their own on the same server.
    const QString outsideName = uri().section('/', -1) + "_outside";
    exec("create database " + outsideName);
    QString outside = uri();
    outside.replace(uri().section('/', -1), outsideName);
    int status = 0;
    tool(
        {"sql", outside,
         "create table item (id integer not null, interno text not null, posicion text); "
         "create table groupsubitems (interno text not null, id integer not null, idsub integer not null, "
         "idarticulo text, ncm text, cantidad double precision, preciounitario double precision, fob double precision); "
         "insert into item values (0, 'P-1', NULL), (2, 'P-1', 'x'), (1, 'P-1', 'x'), (1, 'OTRO', 'x'); "
         "insert into groupsubitems values ('P-1', 1, 2, 'ART-1-2', '8471.30.00', 12, 1.5, 18), "
         "('P-1', 1, 1, 'ART-1-1', NULL, 2.5, 0.0845, 0.21), ('P-1', 2, 1, 'ART-2-1', '8471.30.00', 1000, 1, 1000), "
         "('OTRO', 1, 1, 'NO', 'NO', 1, 1, 1)"},
        &status);
    ASSERT_EQ(status, 0);
    QTemporaryDir dir;
    const QString file = dir.filePath("stock.db");
    ASSERT_TRUE(createLocalDatabase(file, nullptr));
    const QString articles = "select ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC "
                             "from ARTICULOS order by ARTINO, ARTSNO";
    for (const QString& stock : {uri(), file}) {
        const WorkerRun run = runWorker({"import", stock, odbcOn(outsideName), "P-1", "IMP-1"});
        EXPECT_EQ(run.lines, (QStringList{"READY", "MSG 64 Despacho agregado en stock"})) << run.errors.toStdString();
    }
    const QStringList onServer = query(articles);
    EXPECT_EQ(onServer.size(), 3);
    // The shell writes a whole double as 12.0, the server as 12.
    EXPECT_EQ(onServer, queryFile(file, articles).replaceInStrings(QRegularExpression(R"(\.0(?=\||$))"), ""));
    EXPECT_EQ(query("select NUMERO, INTNDC, INTDSC, INTFOF from OPERACIONES"),
              QStringList{"P-1|IMP-1|Importacion IMP-1|2026-12-05 00:00:00"});
}

TEST_F(ServerImport, CopyMovesAWholeStockToAServerAndBackUnchanged) {
    QTemporaryDir dir;
    const QString file = dir.filePath("stock.db"), back = dir.filePath("back.db");
    int status = 0;
    tool({"sample", file}, &status);
    ASSERT_EQ(status, 0);
    // The table tool made on the server refuses a second copy, the file refuses rows too.
    const QString copied = tool({"copy", file, uri()}, &status);
    EXPECT_EQ(status, 0) << copied.toStdString();
    EXPECT_FALSE(copied.contains(qEnvironmentVariable("PGPASSWORD"))) << copied.toStdString();
    EXPECT_EQ(query("select count(*) from CANCELACIONES"), QStringList{"3"});
    const QString again = tool({"copy", file, uri()}, &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(again.contains("already holds rows in OPERACIONES")) << again.toStdString();
    tool({"copy", uri(), back}, &status);
    EXPECT_EQ(status, 0);
    for (const char* table : {"OPERACIONES", "ARTICULOS", "CANCELACIONES"}) {
        const QString all = QStringLiteral("select *, typeof(%1) from %2 order by rowid")
                                .arg(QLatin1String(std::string(table) == "CANCELACIONES" ? "ARTORD" : "INTNDC"),
                                     QLatin1String(table));
        EXPECT_EQ(queryFile(back, all), queryFile(file, all)) << table;
    }
    tool({"copy", file, back}, &status);
    EXPECT_EQ(status, 1);
}
