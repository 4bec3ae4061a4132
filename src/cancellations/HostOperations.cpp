#include "cancellations/HostOperations.h"
#include "cancellations/Recompute.h"
#include "data/Save.h"
#include "data/Statements.h"
#include "platform/MessageBoxes.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"

namespace quendarx {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

sql::ExportItem hostExportItem() {
    const LibraryState& g = basGlobal();
    return {g.g_NumeroInterno, g.g_Item};
}

// Runs a query for the host into its record-set reference: an empty reference gets a
// fresh record set; no row (or a failed query) leaves it empty.
bool queryIntoHostRecordset(const sql::Statement& statement, RecordsetRef& p_Rs) {
    clConexion& conexion = basGlobal().conexionLocal();
    conexion.setSql(statement);
    if (!p_Rs)
        p_Rs = std::make_shared<Recordset>();
    if (!conexion.GetRecordset(*p_Rs)) {
        p_Rs.reset();
        return false;
    }
    return true;
}

} // namespace

bool Eliminar_Articulo(const QString& p_INTNDC, std::int16_t p_ARTINO, std::int16_t p_ARTSNO) {
    bool result = false;
    try {
        const QString question = QStringLiteral("Confirma eliminar el articulo perteneciente a") + kCrLf +
                                 QStringLiteral("Item: ") + QString::number(p_ARTINO) + kCrLf +
                                 QStringLiteral("SubItem: ") + QString::number(p_ARTSNO) + kCrLf +
                                 QStringLiteral("Declaracion: ") + p_INTNDC;
        if (MessageBoxes::show(question, vbYesNo + vbQuestion) != vbYes)
            return false;

        // The question is answered before the save takes the write lock.
        const sql::ArticleKey article{p_INTNDC, p_ARTINO, p_ARTSNO};
        const QString deleteFailed = QStringLiteral("No se eliminio ningun registo.");
        clConexion& conexion = basGlobal().conexionLocal();
        Save save(conexion);
        auto stop = [&](const QString& message) {
            MessageBoxes::show(save.end(message), vbCritical);
            return false;
        };
        if (!save.begin())
            return stop(deleteFailed);
        const sql::ExportItem exportItem = hostExportItem();
        history::Entry entry = history::cancellationEntry(history::kDeletion, article.intndc, article.artino,
                                                          article.artsno, exportItem.extnro, exportItem.extitm);
        if (save.recordsHistory())
            save.capture(QStringLiteral("CANCELACIONES"), history::cancellationWhere(),
                         history::cancellationValues(entry), entry.rows);
        conexion.setSql(sql::deleteCancellation(article, exportItem));
        if (conexion.Execute() == 0)
            return stop(deleteFailed);
        save.wrote(deleteFailed);
        if (!entry.rows.empty())
            entry.before = entry.rows.front().value(QStringLiteral("ARTCDS")).toDouble();
        save.record(std::move(entry));
        const QString failure = recomputeAvailable(article);
        if (!failure.isEmpty())
            return stop(failure);
        const QString lost = save.end();
        if (!lost.isEmpty())
            return stop(lost);
        result = true;
    } catch (const RuntimeError& error) {
        reportError(error, QStringLiteral("Sección [QuendarxDLL.clcancelMain.Eliminar_Articulo]"), vbCritical);
        result = false;
    }
    return result;
}

bool Obtener_Items(RecordsetRef& p_Rs) {
    try {
        return queryIntoHostRecordset(sql::cancellationsOfItem(hostExportItem()), p_Rs);
    } catch (const RuntimeError& error) {
        p_Rs.reset();
        reportError(error, QStringLiteral("Seccion [QuendarxDLL.clcancelMain]"), vbCritical);
        return false;
    }
}

bool ObtenerCancelacion(RecordsetRef& p_Rs) {
    try {
        return queryIntoHostRecordset(sql::cancellationsWithArticles(hostExportItem()), p_Rs);
    } catch (const RuntimeError& error) {
        p_Rs.reset();
        reportError(error, QStringLiteral("Seccion [QuendarxDLL.ObtenerCancelacion]"), vbCritical);
        return false;
    }
}

} // namespace quendarx
