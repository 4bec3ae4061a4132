#pragma once
// A stock that does not add up, found and mended: the checks an operator runs on a stock
// database (a file or a server) and the recomputation of every available quantity.
#include "data/Engine.h"
#include "data/Statements.h"
#include <QStringList>
#include <QVariant>
#include <vector>

namespace quendarx {

// Every problem of the stock, one line each (none when all holds): on a file, what the
// engine's integrity check finds; on both, every article whose available quantity
// (ARTDSC) is not its total (ARTCAN) less its cancellations (rounded to cents, as a save
// writes it) or is below zero, every article cancelled beyond its total, every line number
// used twice within an export item, every cancellation whose article is missing. Throws
// RuntimeError when the engine refuses a query.
QStringList checkStock(Engine& engine, bool file);

struct AvailableChange {
    sql::ArticleKey article;
    QVariant before; // as it was stored (a null, a text of another tool)
    double after = 0;
};

// Rewrites the available quantity of every article whose stored one is not its total less
// its cancellations, in one transaction of the engine: all of them or, on a failure (a
// RuntimeError, the transaction rolled back), none. What changed, in key order.
std::vector<AvailableChange> repairAvailable(Engine& engine);

// An article as the checks name it: "INTNDC/ARTINO/ARTSNO".
QString articleName(const sql::ArticleKey& article);

} // namespace quendarx
