#include "stock/DeclarationImport.h"
#include "data/History.h"
#include "data/Save.h"
#include "data/Statements.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "state/basGlobal.h"
#include <cmath>
#include <optional>
#include <vector>

namespace quendarx {

namespace {

// An outside item id read as a 16-bit signed integer (rounded half to even).
std::int16_t readInteger(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        raiseInvalidUseOfNull();
    if (value.typeId() == QMetaType::QString)
        return Regional::toInt16(value.toString());
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        raiseTypeMismatch();
    const double whole = std::nearbyint(number);
    if (!(whole >= -32768.0 && whole <= 32767.0))
        raiseOverflow();
    return static_cast<std::int16_t>(whole);
}

// Connects to the outside database and turns its sub-items into the article rows to
// write, in order. Returns "" or the message of the outside stop; throws RuntimeError for
// a run-time error. The rows read before a stop are in `articles`.
QString readOutside(const QString& code, Recordset& rsItems, Recordset& rsSubItems,
                    std::vector<sql::NewArticle>& articles, const ImportProgress& progress) {
    LibraryState& state = basGlobal();
    const clValores& valores = state.valores();
    state.g_ConexionExterna = std::make_unique<clConexion>();
    clConexion& outside = *state.g_ConexionExterna;
    outside.setConnectionString(state.g_BaseExterna);
    outside.Connect();
    if (!outside.Connected())
        return QStringLiteral("Error en conexion con las bases del Brevik");
    outside.setSql(sql::outsideItems(state.g_NumeroInterno));
    if (!outside.GetRecordset(rsItems))
        return QStringLiteral("No se puede obtener los item's del despacho");
    if (progress.items)
        progress.items(rsItems.RecordCount());

    while (!rsItems.EOF_()) {
        const std::int16_t id = readInteger(rsItems.Fields(QStringLiteral("id")));
        if (progress.item)
            progress.item(id);

        // One prepared statement for every item, the item's number bound.
        outside.setSql(sql::outsideSubItems(state.g_NumeroInterno, QString::number(id)));
        if (!outside.GetRecordset(rsSubItems))
            return QStringLiteral("Error en obtener los Articulos");
        std::int16_t subItem = rsSubItems.RecordCount() > 1 ? 1 : 0;
        while (!rsSubItems.EOF_()) {
            const QString quantity = Regional::format(valores.Numero(rsSubItems.Fields(QStringLiteral("cantidad"))),
                                                      QStringLiteral("00.00"));
            sql::NewArticle article;
            article.artnro = valores.Texto(rsSubItems.Fields(QStringLiteral("idarticulo")), 0);
            article.intndc = code;
            article.artino = valores.Texto(rsSubItems.Fields(QStringLiteral("id")), 0);
            article.artsno = QString::number(subItem);
            article.artncm = valores.Texto(rsSubItems.Fields(QStringLiteral("ncm")), 0);
            article.artcan = quantity;
            article.artuni = Regional::format(valores.Numero(rsSubItems.Fields(QStringLiteral("preciounitario"))),
                                              QStringLiteral("00.0000"));
            article.artfob = Regional::format(valores.Numero(rsSubItems.Fields(QStringLiteral("fob"))),
                                              QStringLiteral("00.00"));
            article.artdsc = quantity;
            if (subItem == 32767)
                raiseOverflow(); // before the row is written, as the row-by-row import did
            ++subItem;
            articles.push_back(std::move(article));
            rsSubItems.MoveNext();
        }
        rsItems.MoveNext();
    }
    return QString();
}

} // namespace

ImportOutcome importDeclaration(const QString& code, const QString& description, const QString& date,
                                Recordset& rsItems, Recordset& rsSubItems, const ImportProgress& progress) {
    LibraryState& state = basGlobal();
    clConexion& local = state.conexionLocal();
    clValores& valores = state.valores();
    const auto isDuplicate = [&] {
        Recordset rsCount;
        local.setSql(sql::countDeclaration(code));
        local.GetRecordset(rsCount); // a failed count raises when its column is read
        return valores.Numero(rsCount.Fields(QStringLiteral("cant"))) > 0;
    };
    const QString duplicate = QStringLiteral("El número de declaración ") + code +
                              QStringLiteral(" ya existe en base de datos");
    if (isDuplicate())
        return {duplicate, vbExclamation};

    // The outside rows are read before anything is written, so the write lock is held
    // only while the rows go in. A stop on the outside side (a message or a run-time
    // error) is kept, and the rows the import would have written before it are written.
    std::vector<sql::NewArticle> articles;
    QString outsideStop;
    std::optional<RuntimeError> outsideError;
    try {
        outsideStop = readOutside(code, rsItems, rsSubItems, articles, progress);
    } catch (const RuntimeError& error) {
        outsideError = error;
    }

    const QString declarationFailed = QStringLiteral("No se agrego ninguna operación");
    Save save(local);
    if (!save.begin())
        return {declarationFailed, vbCritical};
    // Another workstation may have imported the same code meanwhile.
    if (isDuplicate())
        return {save.end(duplicate), vbExclamation};
    local.setSql(sql::insertDeclaration(state.g_NumeroInterno, code, description, date));
    if (local.Execute() == 0)
        return {save.end(declarationFailed), vbCritical};
    save.wrote(declarationFailed);
    // The history's entry says how many of the articles the save kept.
    history::Entry entry;
    entry.operation = QLatin1String(history::kImport);
    entry.intndc = code;
    int imported = 0;
    auto record = [&] {
        entry.note = QStringLiteral("%1 article(s) from %2").arg(imported).arg(state.g_NumeroInterno);
        save.record(entry);
    };
    for (const sql::NewArticle& article : articles) {
        local.setSql(sql::insertArticle(article));
        if (local.Execute() == 0) {
            record();
            return {save.end(QStringLiteral("Error en guardar el articulo en Stock")), vbCritical};
        }
        ++imported;
    }
    record();
    if (const QString outcome = save.end(outsideStop); outcome != outsideStop)
        return {outcome, vbCritical}; // the commit failed: nothing was kept
    if (outsideError)
        throw *outsideError;
    if (!outsideStop.isEmpty())
        return {outsideStop, vbCritical};
    return {QStringLiteral("Despacho agregado en stock"), vbInformation, true};
}

} // namespace quendarx
