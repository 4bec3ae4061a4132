#include "cancellations/Recompute.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"

namespace quendarx {

double roundToCents(double value) {
    const auto rounded = Regional::readNumber(Regional::format(value, QStringLiteral("00.00")));
    if (!rounded)
        raiseTypeMismatch();
    return *rounded;
}

QString recomputeAvailable(const sql::ArticleKey& article) {
    LibraryState& g = basGlobal();
    clConexion& conexion = g.conexionLocal();

    conexion.setSql(sql::sumCancelled(article));
    Recordset rs;
    if (!conexion.GetRecordset(rs))
        return QStringLiteral("Error en obtener total descuento.");
    const double total = roundToCents(g.valores().Numero(rs.Fields(QStringLiteral("total"))));
    rs.close();

    conexion.setSql(sql::updateAvailable(article, Regional::generalNumber(total)));
    if (conexion.Execute() == 0)
        return QStringLiteral("Error en actualizar CANTIDAD DISPONIBLE");
    return QString();
}

} // namespace quendarx
