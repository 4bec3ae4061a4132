// The stock's history on a server: the clerk's saves and both deletions recorded and put
// back by `quendarx-db restore` as they were.
#include "HistoryFlows.h"
#include "ServerStock.h"

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ServerHistory : public ServerStock {
protected:
    void SetUp() override {
        ServerStock::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        exec("insert into OPERACIONES values ('1', 'D-1', 'Importacion', '2026-01-15');"
             "insert into ARTICULOS select 'ART-' || n, 'D-1', n, 0, '8471.30.00', 1000, 1.5, 1500, 1000 "
             "from generate_series(1, 3) n;"
             "insert into CANCELACIONES values (7, 'D-1', 3, 0, 12.5, 'EXP', null, '31/12/2027', 'A7', 'OTHER', 2, "
             "null)");
        basGlobal().g_NumeroInterno = "EXP-1";
        basGlobal().g_Item = 1;
        connectLibrary(uri());
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30)));
    }
    void TearDown() override {
        Clock::release();
        ServerStock::TearDown();
    }
    // Every value of the stock as the server gives it back, table by table.
    QStringList snapshot() const {
        return query("select NUMERO, INTNDC, INTDSC, INTFOF from OPERACIONES order by INTNDC") +
               query("select ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC from ARTICULOS "
                     "order by INTNDC, ARTINO, ARTSNO") +
               query("select LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, EXTNRO, EXTITM, "
                     "EXTFDC from CANCELACIONES order by EXTNRO, EXTITM, LINORD");
    }

    HistoryClerk clerk{boxes};
};

} // namespace

TEST_F(ServerHistory, EverySaveLeavesOneEntryAndTheDeletionsComeBackAsTheyWere) {
    expectEverySaveRecordedAndBothDeletionsRestored(
        stock(), [this] { return snapshot(); }, clerk);
    EXPECT_EQ(runTool({"restore", uri(), "5"}).errors.trimmed(),
              "quendarx-db restore: entry 5 was restored already (entry 8)");
    exec("update HISTORY set QUANTITY_AFTER = 2 where ENTRY = 4");
    EXPECT_EQ(runTool({"history", uri(), "--verify"}).errors.trimmed(),
              "quendarx-db history: entry 4: changed since it was written");
}
