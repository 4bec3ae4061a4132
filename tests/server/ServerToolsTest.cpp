// quendarx-db check and check --repair on a stock kept on a server, and a server named in
// any form libpq takes (keywords, the scheme in any letter case) by the tool and the
// library alike, its password never shown.
#include "ServerStock.h"
#include "data/clConexion.h"
#include "platform/RuntimeError.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerTools : public ServerStock {};

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome tool(const QStringList& args, const QString& dir = QDir::tempPath()) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(QX_DB_TOOL), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString withScheme(const QString& uri, const QString& scheme) { return scheme + uri.mid(uri.indexOf(u':')); }

} // namespace

TEST_F(ServerTools, CheckAndRepairWorkOnTheServerAsOnTheFile) {
    ASSERT_EQ(tool({"sample", uri()}).status, 0);
    Outcome r = tool({"check", uri()});
    EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();

    exec("update ARTICULOS set ARTDSC = 6001 where INTNDC = '24016IC04000045X' and ARTINO = 1 and ARTSNO = 2");
    exec("update CANCELACIONES set ARTCDS = 85.5 where INTNDC = '24001ic04000311k' and ARTINO = 2");
    exec("delete from ARTICULOS where INTNDC = '24001IC04000123A' and ARTINO = 2 and ARTSNO = 1");
    r = tool({"check", uri()});
    EXPECT_EQ(r.status, 1);
    for (const char* problem :
         {"article 24016IC04000045X/1/2: available quantity (ARTDSC) 6001, but its total 6000 less its cancellations 0 "
          "is 6000",
          "article 24001IC04000311K/2/0: available quantity (ARTDSC) 124.5, but its total 200 less its cancellations "
          "85.5 is 114.5",
          "export item 24001EC01000502M 1 line 1: cancellation of article 24001IC04000123A/2/1, which is not in stock"})
        EXPECT_TRUE(r.out.split(u'\n').contains(QLatin1String(problem))) << problem << "\n" << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("integrity")) << r.out.toStdString();

    r = tool({"check", "--repair", uri()});
    EXPECT_EQ(r.status, 1); // the cancellation without its article is left for a person
    EXPECT_TRUE(r.out.contains("2 available quantities recomputed")) << r.out.toStdString();
    EXPECT_EQ(query("select ARTDSC from ARTICULOS where (INTNDC = '24016IC04000045X' and ARTSNO = 2) or "
                    "(INTNDC = '24001IC04000311K' and ARTINO = 2) order by INTNDC"),
              (QStringList{"114.5", "6000"}));
}

TEST_F(ServerTools, KeywordsAndTheSchemeInAnyLetterCaseNameTheServer) {
    QTemporaryDir dir;
    const QString database = uri().section(u'/', -1);
    // The password comes from the environment (PGPASSWORD), as from ~/.pgpass.
    const QString keywords = QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
                                 .arg(qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"),
                                      qEnvironmentVariable("PGUSER"), database);
    for (const QString& location : {keywords, withScheme(uri(), "POSTGRESQL"), withScheme(uri(), "Postgres")}) {
        const Outcome r = tool({"sql", location, "select count(*) from ARTICULOS"}, dir.path());
        EXPECT_EQ(r.status, 0) << location.toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, "0\n") << location.toStdString();

        clConexion conexion;
        conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + location);
        EXPECT_NO_THROW(conexion.Connect()) << location.toStdString() << ": " << conexion.lastError().toStdString();
        EXPECT_TRUE(conexion.Connected());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    // A refused password, however it was given, is named by neither the tool nor the library.
    const QString wrong = serverUri(database, "wrongpass123");
    for (const QString& location : {wrong, withScheme(wrong, "POSTGRESQL"), keywords + " password=wrongpass123",
                                    uri() + "?password=wrongpass123"}) {
        const Outcome r = tool({"check", location}, dir.path());
        EXPECT_EQ(r.status, 1) << location.toStdString();
        EXPECT_TRUE(r.err.contains("password authentication failed")) << r.err.toStdString();
        EXPECT_FALSE((r.out + r.err).contains("wrongpass123")) << r.err.toStdString();

        clConexion conexion;
        conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + location);
        EXPECT_THROW(conexion.Connect(), RuntimeError);
        EXPECT_FALSE(conexion.lastError().isEmpty());
        EXPECT_FALSE(conexion.lastError().contains("wrongpass123")) << conexion.lastError().toStdString();
    }
}
