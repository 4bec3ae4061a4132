#include "cancellations/Recompute.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"
#include <cmath>

namespace quendarx {

double roundToCents(double value) {
    // What formatting "00.00" and reading the text back gives, without the text.
    const auto rounded = Regional::rounded(value, 2);
    if (!rounded)
        raiseTypeMismatch();
    return *rounded;
}

QString recomputeAvailable(const sql::ArticleKey& article) {
    LibraryState& g = basGlobal();
    return recomputeAvailable(g.conexionLocal(), g.valores(), article);
}

QString recomputeAvailable(clConexion& conexion, const clValores& valores, const sql::ArticleKey& article) {
    conexion.setSql(sql::sumCancelled(article));
    Recordset rs;
    if (!conexion.GetRecordset(rs))
        return QStringLiteral("Error en obtener total descuento.");
    const double total = roundToCents(valores.Numero(rs.Fields(QStringLiteral("total"))));
    rs.close();

    conexion.setSql(sql::updateAvailable(article, Regional::generalNumber(total)));
    if (conexion.Execute() == 0)
        return QStringLiteral("Error en actualizar CANTIDAD DISPONIBLE");
    return QString();
}

std::optional<double> quantityLeft(clConexion& conexion, const clValores& valores, const sql::Statement& quantities) {
    conexion.setSql(quantities);
    Recordset rs;
    if (!conexion.GetRecordset(rs))
        return std::nullopt;
    const double total = valores.Numero(rs.Fields(QStringLiteral("ARTCAN")));
    const double cancelled = valores.Numero(rs.Fields(QStringLiteral("TOTAL")));
    // Beyond this a double holds no cents: such a stock is left to the save's own steps.
    constexpr double kLargest = 1e15;
    if (!(std::fabs(total) < kLargest && std::fabs(cancelled) < kLargest))
        return std::nullopt;
    return roundToCents(total - roundToCents(cancelled));
}

std::optional<KnownLeft> readKnownLeft(clConexion& conexion, const clValores& valores,
                                       const sql::Statement& quantities) {
    const std::optional<StockStamp> stamp = conexion.stamp();
    if (!stamp)
        return std::nullopt;
    try {
        const std::optional<double> left = quantityLeft(conexion, valores, quantities);
        if (!left)
            return std::nullopt;
        return KnownLeft{*stamp, *left};
    } catch (const RuntimeError&) {
        return std::nullopt; // the save reads it again, and reports there
    }
}

std::optional<double> quantityLeftNow(clConexion& conexion, const clValores& valores, const sql::Statement& quantities,
                                      const std::optional<KnownLeft>& known, const std::optional<StockStamp>& now) {
    if (known && now == known->stamp)
        return known->left;
    return quantityLeft(conexion, valores, quantities);
}

} // namespace quendarx
