// Two clerks whose saves meet on a server: the second save re-reads what is left of the
// article once it holds the saves' lock.
#include "MeetingSaves.h"
#include "RegionalStock.h"
#include "ServerStock.h"
#include "data/clConexion.h"

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerMeetingSaves : public ServerStock {
protected:
    void SetUp() override {
        ServerStock::SetUp();
        resetLibraryState();
    }
    void TearDown() override { resetLibraryState(); }
    MeetingStock stock() const {
        return {uri(), [this](const QString& sql) { exec(sql); }, [this](const QString& sql) { return query(sql); }};
    }
    ScopedLocale locale{esAR()};
    RecordingMessageBoxes boxes;
};

} // namespace

TEST_F(ServerMeetingSaves, TwoRegistrationsOfOneArticle) {
    expectMeetingRegistrationsToStayWithinTheArticle(stock(), boxes);
}

TEST_F(ServerMeetingSaves, AModificationAndARegistrationOfOneArticle) {
    expectModificationMeetingARegistrationToStayWithinTheArticle(stock(), boxes);
}

TEST_F(ServerMeetingSaves, RegionalTotalsAreReadAsTheLibraryReadsThem) {
    // The quantity columns as another program made them.
    exec("alter table ARTICULOS alter column ARTCAN type text");
    expectRegionalTotalsReadAsTheLibraryReadsThem(stock(), boxes,
                                                  "alter table CANCELACIONES alter column ARTCDS type text");
}

TEST_F(ServerMeetingSaves, AStockMadeBeforeTheConversionFunctionsGetsThemWhenConnecting) {
    exec("drop function cdbl(text); drop function cdbl(double precision)");
    clConexion conexion;
    conexion.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + uri());
    conexion.Connect();
    EXPECT_EQ(query("select count(*) from pg_proc where proname = 'cdbl'"), QStringList{"2"});
}

TEST_F(ServerMeetingSaves, TheToolReadsNumbersOnTheServerWithItsRegionalSettings) {
    const struct {
        const char* locale;
        const char* text;
        const char* shown;
    } cases[] = {{"es_AR", "1.120,5", "1120.5"}, {"en_US", "1,120.5", "1120.5"}};
    for (const auto& c : cases) {
        QProcess tool;
        tool.start(QStringLiteral(QX_DB_TOOL), {"--locale", c.locale, "sql", uri(),
                                                QStringLiteral("select cdbl('%1')").arg(QLatin1String(c.text))});
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.readAllStandardOutput().trimmed(), QByteArray(c.shown))
            << tool.readAllStandardError().toStdString();
    }
}
