#pragma once
// The save of one registration, as F11 on the registration screen runs it: under the
// write lock, the re-read of what is left of the article (unless the stock is as the
// screen found it when it opened), the refusal of a second cancellation of the article
// against the export item, the next line order, the insert, the recomputation of the
// article's available quantity and the history's entry.
#include "cancellations/Recompute.h"
#include "data/Statements.h"
#include "data/clConexion.h"
#include "data/clValores.h"

namespace quendarx {

struct Registration {
    sql::ArticleKey article;
    sql::ExportItem exportItem;
    double quantity = 0; // a number above zero, already checked against what the screen showed
    QString artexp, artcer, artven;
    QString artord; // as typed: stored only when it is numeric
    // What was left of the article when the screen opened, if it knows (see KnownLeft).
    std::optional<KnownLeft> known;
};

// Why a registration saved nothing: the message the clerk is shown and its style.
struct Refusal {
    QString message;
    int style = 0;
};

// Runs the registration's save on `conexion`. Empty when it saved; else the message the
// clerk is shown once the save has ended. Data-access errors raised as RuntimeError
// (a line order or a number out of range) pass through, the save keeping what it wrote.
std::optional<Refusal> registerCancellation(clConexion& conexion, const clValores& valores, const Registration& r);

} // namespace quendarx
