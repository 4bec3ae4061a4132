#include "stock/frmImportar.h"
#include "data/Recordset.h"
#include "data/Save.h"
#include "data/Statements.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QLineEdit>
#include <QProgressBar>
#include <cmath>
#include <optional>

namespace quendarx {

namespace {

const QString kTag = QStringLiteral("Sección [QuendarxDLL.frmImportar.lp_AgregarInterno]");

std::vector<ControlSpec> importControls() {
    using K = ControlKind;
    return {
        {QStringLiteral("Label1"), K::Label, 720, 180, 5040, 0, QStringLiteral("Guardar despacho a Stock"), -1,
         colors::navy, true},
        {QStringLiteral("lbInterno"), K::Label, 720, 420, 5040, 0, QStringLiteral("Interno: ")},
        {QStringLiteral("Label2"), K::Label, 240, 960, 2400, 0, QStringLiteral("Declaración")},
        {QStringLiteral("txtINTNDC"), K::TextBox, 240, 1170, 2400, 0, {}, 0},
        {QStringLiteral("Label3"), K::Label, 240, 1500, 2400, 0, QStringLiteral("Descripción")},
        {QStringLiteral("txtINTDSC"), K::TextBox, 240, 1710, 5520, 0, {}, 1},
        {QStringLiteral("Label4"), K::Label, 240, 2040, 2400, 0, QStringLiteral("Fecha de oficialización")},
        {QStringLiteral("txtINTFOF"), K::TextBox, 240, 2250, 1440, 0, {}, 2},
        {QStringLiteral("Label5"), K::Label, 240, 3060, 1200, 0, QStringLiteral("Articulos"), -1, colors::navy, true},
        {QStringLiteral("Label6"), K::Label, 1560, 3060, 720, 0, QStringLiteral("Item's:")},
        {QStringLiteral("Label8"), K::Label, 2280, 3060, 600, 0, QStringLiteral("000")},
        {QStringLiteral("Label7"), K::Label, 3240, 3060, 960, 0, QStringLiteral("SubItem's:")},
        {QStringLiteral("Label9"), K::Label, 4200, 3060, 600, 0, QStringLiteral("000")},
        {QStringLiteral("Label10"), K::Label, 120, 3990, 2400, 0, QStringLiteral("F11 - [Guardar]"), -1,
         colors::darkRed, true},
        {QStringLiteral("Pb"), K::ProgressBar, 120, 3540, 5760, 255, {}},
        {QStringLiteral("Image1"), K::Decoration, 120, 120, 480, 480, {}},
        {QStringLiteral("Shape1"), K::Decoration, 120, 840, 5760, 1800, {}},
        {QStringLiteral("Shape2"), K::Decoration, 120, 2940, 5760, 480, {}},
        {QStringLiteral("Line1"), K::Decoration, 120, 720, 5760, 15, {}},
        {QStringLiteral("Line2"), K::Decoration, 120, 3900, 5760, 15, {}},
    };
}

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

// What every end of the save does: record sets released, the outside connection
// dropped, the progress bar hidden.
class SaveEnd {
public:
    SaveEnd(frmImportar& form, Recordset& items, Recordset& subItems)
        : form_(form), items_(items), subItems_(subItems) {}
    ~SaveEnd() {
        items_.close();
        subItems_.close();
        basGlobal().g_ConexionExterna.reset();
        if (QProgressBar* pb = form_.progressBar(QStringLiteral("Pb")))
            pb->hide();
    }
    SaveEnd(const SaveEnd&) = delete;
    SaveEnd& operator=(const SaveEnd&) = delete;

private:
    frmImportar& form_;
    Recordset& items_;
    Recordset& subItems_;
};

} // namespace

frmImportar& frmImportar::instance() {
    return basGlobal().screen<frmImportar>(ScreenId::frmImportar, [] { return std::make_unique<frmImportar>(); });
}

frmImportar::frmImportar()
    : Form(QStringLiteral("frmImportar"), QStringLiteral("Guardar despacho a Stock"), 6000, 4320, importControls()) {}

void frmImportar::Form_Load() {
    textBox(QStringLiteral("txtINTNDC"))->setMaxLength(16);
    textBox(QStringLiteral("txtINTDSC"))->setMaxLength(150);
    textBox(QStringLiteral("txtINTFOF"))->setMaxLength(10);
    progressBar(QStringLiteral("Pb"))->hide();

    cntrlINTDSC_ = std::make_unique<ClCntrl>();
    cntrlINTDSC_->sLinkText(textBox(QStringLiteral("txtINTDSC")));
    cntrlINTFOF_ = std::make_unique<ClCntrl>();
    cntrlINTFOF_->sLinkText(textBox(QStringLiteral("txtINTFOF")));
    cntrlINTNDC_ = std::make_unique<ClCntrl>();
    cntrlINTNDC_->sLinkText(textBox(QStringLiteral("txtINTNDC")));
}

void frmImportar::Form_Unload() {
    cntrlINTDSC_.reset();
    cntrlINTFOF_.reset();
    cntrlINTNDC_.reset();
}

void frmImportar::Form_KeyDown(int& keyCode, int) {
    switch (keyCode) {
    case vbKeyF11:
        lp_AgregarInterno();
        break;
    case vbKeyEscape:
        unload();
        break;
    default:
        break;
    }
}

void frmImportar::lp_AgregarInterno() {
    if (!isLoaded())
        return; // the save reads the screen's fields
    Recordset rsItems;
    Recordset rsSubItems;
    SaveEnd end(*this, rsItems, rsSubItems);
    try {
        agregar(rsItems, rsSubItems);
    } catch (const RuntimeError& error) {
        reportError(error, kTag, vbCritical);
    }
}

QString frmImportar::readOutside(const QString& code, Recordset& rsItems, Recordset& rsSubItems,
                                 std::vector<sql::NewArticle>& articles) {
    LibraryState& state = basGlobal();
    const clValores& valores = state.valores();
    QProgressBar* pb = progressBar(QStringLiteral("Pb"));
    state.g_ConexionExterna = std::make_unique<clConexion>();
    clConexion& outside = *state.g_ConexionExterna;
    outside.setConnectionString(state.g_BaseExterna);
    outside.Connect();
    if (!outside.Connected())
        return QStringLiteral("Error en conexion con las bases del Brevik");
    outside.setSql(sql::outsideItems(state.g_NumeroInterno));
    if (!outside.GetRecordset(rsItems))
        return QStringLiteral("No se puede obtener los item's del despacho");
    pb->show();
    pb->setMaximum(rsItems.RecordCount());

    while (!rsItems.EOF_()) {
        const std::int16_t id = readInteger(rsItems.Fields(QStringLiteral("id")));
        pb->setValue(id);

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

void frmImportar::agregar(Recordset& rsItems, Recordset& rsSubItems) {
    LibraryState& state = basGlobal();
    QProgressBar* pb = progressBar(QStringLiteral("Pb"));
    pb->setMinimum(0);
    pb->setMaximum(100);
    pb->setValue(1);

    const QString code = textBox(QStringLiteral("txtINTNDC"))->text();
    const QString description = textBox(QStringLiteral("txtINTDSC"))->text();
    const QString date = textBox(QStringLiteral("txtINTFOF"))->text();
    if (code.isEmpty()) {
        MessageBoxes::show(QStringLiteral("Falta ingresar Codigo de Declaración"), vbCritical);
        return;
    }
    if (description.isEmpty()) {
        MessageBoxes::show(QStringLiteral("Falta ingresar Descripción de Interno"), vbCritical);
        return;
    }
    if (date.isEmpty()) {
        MessageBoxes::show(QStringLiteral("Falta ingresar Fecha de Oficialización"), vbCritical);
        return;
    }
    if (!Regional::isDate(date)) {
        MessageBoxes::show(QStringLiteral("Fecha inválida en Fecha de Oficialización"), vbCritical);
        return;
    }

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
    if (isDuplicate()) {
        MessageBoxes::show(duplicate, vbExclamation);
        return;
    }

    // The outside rows are read before anything is written, so the write lock is held
    // only while the rows go in. A stop on the outside side (a message or a run-time
    // error) is kept, and the rows the import would have written before it are written.
    std::vector<sql::NewArticle> articles;
    QString outsideStop;
    std::optional<RuntimeError> outsideError;
    try {
        outsideStop = readOutside(code, rsItems, rsSubItems, articles);
    } catch (const RuntimeError& error) {
        outsideError = error;
    }

    const QString declarationFailed = QStringLiteral("No se agrego ninguna operación");
    Save save(local);
    if (!save.begin()) {
        MessageBoxes::show(declarationFailed, vbCritical);
        return;
    }
    // Another workstation may have imported the same code meanwhile.
    if (isDuplicate()) {
        MessageBoxes::show(save.end(duplicate), vbExclamation);
        return;
    }
    local.setSql(sql::insertDeclaration(state.g_NumeroInterno, code, description, date));
    if (local.Execute() == 0) {
        MessageBoxes::show(save.end(declarationFailed), vbCritical);
        return;
    }
    save.wrote(declarationFailed);
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
            MessageBoxes::show(save.end(QStringLiteral("Error en guardar el articulo en Stock")), vbCritical);
            return;
        }
        ++imported;
    }
    record();
    if (const QString outcome = save.end(outsideStop); outcome != outsideStop) {
        MessageBoxes::show(outcome, vbCritical); // the commit failed: nothing was kept
        return;
    }
    if (outsideError)
        throw *outsideError;
    if (!outsideStop.isEmpty()) {
        MessageBoxes::show(outsideStop, vbCritical);
        return;
    }

    MessageBoxes::show(QStringLiteral("Despacho agregado en stock"), vbInformation);
    runKeyDown(vbKeyEscape);
}

} // namespace quendarx
