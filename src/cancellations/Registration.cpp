#include "cancellations/Registration.h"
#include "cancellations/Recompute.h"
#include "data/Save.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <cmath>

namespace quendarx {

namespace {

// A number narrowed to a 16-bit field (rounded half to even; Overflow outside the range).
std::int16_t toInteger16(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768 && rounded <= 32767))
        raiseOverflow();
    return static_cast<std::int16_t>(rounded);
}

} // namespace

std::optional<Refusal> registerCancellation(clConexion& conexion, const clValores& valores, const Registration& r) {
    const sql::ArticleKey& key = r.article;
    const sql::ExportItem& exportItem = r.exportItem;

    // One save from the count to the recomputation: no other workstation registers against
    // the item between the line-order read and the insert. Its first three reads go with
    // the lock.
    const QString insertFailed = QStringLiteral("Error en descontar Cantidad");
    const std::vector<sql::Statement> reads{sql::quantitiesOfArticle(key), sql::countCancellation(key, exportItem),
                                            sql::maxLineOrder(exportItem)};
    Save save(conexion);
    auto stop = [&](const QString& message, int style) { return Refusal{save.end(message), style}; };
    if (!save.begin(reads))
        return stop(insertFailed, vbCritical);
    // Another workstation may have registered since the screen read what was available.
    if (const auto left = quantityLeftNow(conexion, valores, reads[0], r.known, save.lockStamp());
        left && *left < r.quantity)
        return stop(QStringLiteral("El valor a descontar no puede ser mayor a ") +
                        Regional::format(*left, QStringLiteral("00.00")),
                    vbExclamation);

    Recordset rs;
    conexion.setSql(reads[1]);
    if (!conexion.GetRecordset(rs))
        return stop(QStringLiteral("Error en verificar articulo."), vbCritical);
    if (valores.Numero(rs.Fields(QStringLiteral("cantidad"))) != 0)
        return stop(QStringLiteral("Este articulo ya relacionado con el Item"), vbInformation);

    rs = Recordset();
    conexion.setSql(reads[2]);
    if (!conexion.GetRecordset(rs))
        return stop(QStringLiteral("Error en obtener Indice de articulos"), vbCritical);
    const std::int16_t linord = toInteger16(valores.Numero(rs.Fields(QStringLiteral("mayor"))) + 1);

    sql::NewCancellation row;
    row.linord = QString::number(linord);
    row.intndc = key.intndc;
    row.artino = QString::number(toInteger16(key.artino));
    row.artsno = QString::number(toInteger16(key.artsno));
    row.artcds = Regional::generalNumber(r.quantity);
    row.artexp = r.artexp;
    row.artcer = r.artcer;
    row.artven = r.artven;
    row.artord = Regional::isNumeric(r.artord) ? r.artord : QString();
    row.extnro = exportItem.extnro;
    row.extitm = QString::number(exportItem.extitm);
    row.at = Clock::now();
    row.now = Regional::generalDate(*row.at);
    conexion.setSql(sql::insertCancellation(row));
    if (conexion.Execute() == 0)
        return stop(insertFailed, vbCritical);
    save.wrote(insertFailed);
    history::Entry entry = history::cancellationEntry(history::kRegistration, key.intndc, key.artino, key.artsno,
                                                      exportItem.extnro, exportItem.extitm);
    entry.after = Regional::readNumber(row.artcds).value_or(r.quantity);
    save.record(std::move(entry));

    if (const QString failed = recomputeAvailable(conexion, valores, key); !failed.isEmpty())
        return stop(failed, vbCritical);
    if (const QString lost = save.end(); !lost.isEmpty())
        return Refusal{lost, vbCritical};
    return std::nullopt;
}

} // namespace quendarx
