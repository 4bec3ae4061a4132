// The meeting saves and the regional texts (see MeetingSaves.h) on a stock file.
#include "MeetingSaves.h"

using namespace quendarx::test;

namespace {

class MeetingSaves : public FaultTest {
protected:
    static MeetingStock stock(const ScratchDatabase& db) {
        const QString path = db.path();
        return {path, [path](const QString& sql) { execFile(path, sql); },
                [path](const QString& sql) { return queryFile(path, sql); }};
    }
    ScratchDatabase db;
};

} // namespace

TEST_F(MeetingSaves, TwoRegistrationsOfOneArticle) {
    expectMeetingRegistrationsToStayWithinTheArticle(stock(db), boxes);
}

TEST_F(MeetingSaves, AModificationAndARegistrationOfOneArticle) {
    expectModificationMeetingARegistrationToStayWithinTheArticle(stock(db), boxes);
}

TEST_F(MeetingSaves, RegionalTotalsOnAFileAreReadAsTheLibraryReadsThem) {
    const ScratchDatabase plain(StockKind::Plain); // its columns take texts
    expectRegionalTotalsReadAsTheLibraryReadsThem(stock(plain), boxes);
}
