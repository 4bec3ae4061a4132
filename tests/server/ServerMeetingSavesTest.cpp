// Two clerks whose saves meet on a server: the second save re-reads what is left of the
// article once it holds the saves' lock.
#include "MeetingSaves.h"
#include "ServerStock.h"

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
