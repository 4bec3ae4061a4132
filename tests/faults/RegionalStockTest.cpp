// A stock file another program filled with regional texts.
#include "RegionalStock.h"

using namespace quendarx::test;

TEST_F(FaultTest, RegionalTotalsOnAFileAreReadAsTheLibraryReadsThem) {
    ScratchDatabase db(StockKind::Plain);
    const QString path = db.path();
    expectRegionalTotalsReadAsTheLibraryReadsThem({path, [path](const QString& sql) { execFile(path, sql); },
                                                   [path](const QString& sql) { return queryFile(path, sql); }},
                                                  boxes);
    quendarx::resetLibraryState();
}
