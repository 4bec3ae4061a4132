#pragma once
// Two clerks whose saves meet: another program holds the stock's write lock while a clerk
// in a process of its own and the clerk of this process press F11 on screens that both
// read the article before either saved. And a stock another program filled with
// quantities as regional texts ('120,5' under a comma locale): the available quantity is
// recomputed from them, and a save's re-check reads them, with the library's conversion.
// The same cases run on a file and on a server.
#include "FaultSupport.h"

namespace quendarx::test {

struct MeetingStock {
    QString location;                                 // the file's path or the server's URI
    std::function<void(const QString&)> exec;         // a statement on the stock
    std::function<QStringList(const QString&)> query; // its rows as "a|b|..."
};

// This clerk at article D-1 1/0 for the host's export item EXP-1 1.
void onArticle();

// Article D-1 1/0 with 10 available: this clerk and the other register 6 each against
// two export items. Exactly one of them is refused with what is left now.
void expectMeetingRegistrationsToStayWithinTheArticle(const MeetingStock& stock, RecordingMessageBoxes& boxes);
// The same article with 2 cancelled against this clerk's export item: this clerk raises
// it to 9 while the other registers 5 against another item. Exactly one is refused.
void expectModificationMeetingARegistrationToStayWithinTheArticle(const MeetingStock& stock,
                                                                  RecordingMessageBoxes& boxes);
// `stock` holds no rows yet and its ARTCAN column takes texts; `cancelledAsText` makes its
// ARTCDS column take them too (run before the re-check, after the recomputations).
void expectRegionalTotalsReadAsTheLibraryReadsThem(const MeetingStock& stock, RecordingMessageBoxes& boxes,
                                                   const QString& cancelledAsText = QString());

} // namespace quendarx::test
