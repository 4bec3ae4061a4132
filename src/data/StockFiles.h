#pragma once
// The files that make up a local stock database: the file itself and the journal
// companions the engine keeps beside it.
#include <QString>

namespace quendarx {

// True when writing to candidate would write over the stock file at stockPath or one of
// its companions ("-wal", "-shm", "-journal"): the same name once links and relative
// parts are resolved, or the same file under another name (a hard link). Nothing is
// opened: names and file status only.
bool isStockFileOrCompanion(const QString& candidate, const QString& stockPath);

} // namespace quendarx
