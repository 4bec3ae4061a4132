#pragma once
// A stock another program filled with quantities as regional texts ('120,5' under a
// comma locale): the available quantity is recomputed from them, and a save's re-check
// reads them, with the library's own conversion. The same cases run on a file and on a
// server.
#include "MeetingSaves.h"

namespace quendarx::test {

// `stock` holds no rows yet and its ARTCAN column takes texts; `cancelledAsText` makes
// its ARTCDS column take them too (run before the re-check, after the recomputations).
void expectRegionalTotalsReadAsTheLibraryReadsThem(const MeetingStock& stock, RecordingMessageBoxes& boxes,
                                                   const QString& cancelledAsText = QString());

} // namespace quendarx::test
