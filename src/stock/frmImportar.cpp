#include "stock/frmImportar.h"
#include "data/Recordset.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "stock/DeclarationImport.h"
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>

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

void frmImportar::agregar(Recordset& rsItems, Recordset& rsSubItems) {
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

    ImportProgress progress;
    progress.items = [pb](int count) {
        pb->show();
        pb->setMaximum(count);
    };
    // The bar repaints itself at once whenever its value shows differently; at most every
    // 40 ms is as smooth to the eye, and leaves the import its time.
    QElapsedTimer painted;
    progress.item = [pb, &painted](int id) {
        if (!painted.isValid() || painted.hasExpired(40)) {
            pb->setValue(id);
            painted.start();
            return;
        }
        pb->setUpdatesEnabled(false);
        pb->setValue(id);
        pb->setUpdatesEnabled(true);
    };
    const ImportOutcome outcome = importDeclaration(code, description, date, rsItems, rsSubItems, progress);
    MessageBoxes::show(outcome.message, outcome.icon);
    if (outcome.done)
        runKeyDown(vbKeyEscape);
}

} // namespace quendarx
