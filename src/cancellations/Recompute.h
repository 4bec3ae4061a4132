#pragma once
// The recomputation of an article's available quantity, run after every registration,
// modification and deletion of one of its cancellations: ARTDSC becomes ARTCAN minus the
// sum of all the article's cancellations (against any export item), rounded to cents.
#include "data/Statements.h"
#include "data/clConexion.h"
#include "data/clValores.h"
#include <optional>

namespace quendarx {

// The value formatted "00.00" and read back: rounded to two decimals the way the screens
// round what they show.
double roundToCents(double value);

// Sums the article's cancellations and rewrites its ARTDSC. Returns "" or, on failure,
// the message the caller shows (critical) once its save has ended: "Error en obtener
// total descuento." or "Error en actualizar CANTIDAD DISPONIBLE". Data-access errors
// raised as RuntimeError pass through.
QString recomputeAvailable(const sql::ArticleKey& article);
// The same on a given connection.
QString recomputeAvailable(clConexion& conexion, const clValores& valores, const sql::ArticleKey& article);

// What is left of the article at this moment, for a save that holds the write lock, read
// on `conexion` through `quantities` (sql::quantitiesOfArticle of the article, leaving out
// the cancellation being modified): ARTCAN less its cancellations, rounded as the screens
// round, read afresh rather than from ARTDSC, which a save cut short may have left stale.
// Empty when it cannot be read (the article is gone, a quantity is no number or too large
// to hold cents): the save then goes on and its own steps report.
std::optional<double> quantityLeft(clConexion& conexion, const clValores& valores, const sql::Statement& quantities);

// What is left of an article as a screen read it when it opened, with the stock's stamp
// of that moment (read first): a save that finds the same stamp under its lock knows that
// nothing changed since, and takes it instead of reading it again.
struct KnownLeft {
    StockStamp stamp;
    double left = 0;
};
// Empty where the engine keeps no stamp, or quantityLeft() gives nothing or raises an
// error (which the save's own reading then reports).
std::optional<KnownLeft> readKnownLeft(clConexion& conexion, const clValores& valores,
                                       const sql::Statement& quantities);
// quantityLeft() for a save holding the write lock, the stock's stamp `now` (see
// Save::lockStamp): `known` when the stock is as it was then, else read again.
std::optional<double> quantityLeftNow(clConexion& conexion, const clValores& valores, const sql::Statement& quantities,
                                      const std::optional<KnownLeft>& known, const std::optional<StockStamp>& now);

} // namespace quendarx
