#include "cancellations/frmModifcar.h"
#include "cancellations/Recompute.h"
#include "controls/ClCntrl.h"
#include "data/Save.h"
#include "data/Statements.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QLabel>
#include <QLineEdit>

namespace quendarx {

namespace {

const QColor kDarkGray{0x40, 0x40, 0x40};
constexpr int kLabelHeight = 195;
constexpr int kTextHeight = 285;

ControlSpec labelSpec(const char* name, int left, int top, int width, const QString& caption, QColor color = {},
                      bool bold = false) {
    return {QString::fromLatin1(name), ControlKind::Label, left, top, width, kLabelHeight, caption, -1, color, bold};
}

ControlSpec textBoxSpec(const char* name, int left, int top, int width, int tabIndex) {
    return {
        QString::fromLatin1(name), ControlKind::TextBox, left, top, width, kTextHeight, QString(), tabIndex, {}, false};
}

ControlSpec decorationSpec(const char* name, int left, int top, int width, int height) {
    return {QString::fromLatin1(name), ControlKind::Decoration, left, top, width, height, QString(), -1, {}, false};
}

std::vector<ControlSpec> screenControls() {
    using namespace colors;
    return {
        // Decoration first, so that the frames lie under the controls they surround.
        decorationSpec("Image1", 3360, 60, 720, 420),
        decorationSpec("Shape1", 60, 480, 4080, 1500),
        decorationSpec("Shape2", 60, 2040, 4080, 1920),
        labelSpec("Label1", 720, 120, 1995, QStringLiteral("Modificar cancelación"), {}, true),
        labelSpec("Label10", 120, 540, 975, QStringLiteral("Interno:")),
        labelSpec("lbEXTNRO", 1140, 540, 2115, QString()),
        labelSpec("Label11", 120, 780, 975, QStringLiteral("Item:")),
        labelSpec("lbEXTITM", 1140, 780, 2115, QString()),
        decorationSpec("Line1", 120, 1080, 3960, 15),
        labelSpec("Label7", 120, 1200, 975, QStringLiteral("Declaración:"), navy),
        labelSpec("lbINTNDC", 1140, 1200, 2415, QString()),
        labelSpec("Label8", 120, 1440, 975, QStringLiteral("Item:"), navy),
        labelSpec("lbARTINO", 1140, 1440, 2415, QString()),
        labelSpec("Label9", 120, 1680, 975, QStringLiteral("SubItem:"), navy),
        labelSpec("lbARTSNO", 1140, 1680, 615, QString()),
        labelSpec("Label13", 1980, 1680, 975, QStringLiteral("Disponible: "), red),
        labelSpec("lbARTDSC", 2940, 1680, 1035, QStringLiteral("00.0"), red),
        labelSpec("Label2", 180, 2100, 1755, QStringLiteral(" Cantidad"), {}, true),
        textBoxSpec("txtARTCDS", 180, 2340, 1755, 2),
        labelSpec("Label3", 2220, 2100, 1755, QStringLiteral(" Expediente"), {}, true),
        textBoxSpec("TxtARTEXP", 2220, 2340, 1755, 4),
        labelSpec("Label4", 180, 2700, 1755, QStringLiteral(" Certificado"), {}, true),
        textBoxSpec("txtARTCER", 180, 2940, 1755, 6),
        labelSpec("Label5", 2220, 2700, 1755, QStringLiteral(" Vencimiento"), {}, true),
        textBoxSpec("TxtARTVEN", 2220, 2940, 1755, 8),
        labelSpec("Label6", 180, 3300, 1755, QStringLiteral(" Orden"), {}, true),
        textBoxSpec("txtARTORD", 180, 3540, 915, 10),
        labelSpec("Label12", 1740, 3540, 2235, QStringLiteral("[F11] Grabar - [ESC] Salir"), kDarkGray, true),
    };
}

void show(const QString& text, int style) { MessageBoxes::show(text, style); }

} // namespace

frmModifcar& frmModifcar::instance() {
    return basGlobal().screen<frmModifcar>(ScreenId::frmModifcar, [] { return std::make_unique<frmModifcar>(); });
}

frmModifcar::frmModifcar()
    : Form(QStringLiteral("frmModifcar"), QStringLiteral("Modificar cancelación"), 4200, 4035, screenControls()) {}

frmModifcar::~frmModifcar() = default;

void frmModifcar::Form_Load() {
    const char* const linked[] = {"txtARTCDS", "txtARTCER", "TxtARTEXP", "txtARTORD", "TxtARTVEN"};
    for (std::size_t i = 0; i < helpers_.size(); ++i) {
        helpers_[i] = std::make_unique<ClCntrl>();
        helpers_[i]->sLinkText(textBox(QString::fromLatin1(linked[i])));
    }
    Leer_Articulo();
}

void frmModifcar::Form_Unload() {
    for (auto& helper : helpers_)
        helper.reset();
    known_.reset();
}

void frmModifcar::Form_KeyDown(int& keyCode, int shift) {
    (void)shift;
    if (keyCode == vbKeyEscape) {
        unload();
    } else if (keyCode == vbKeyF11) {
        if (Guardar_Datos())
            unload();
    }
}

void frmModifcar::Leer_Articulo() {
    known_.reset();
    try {
        LibraryState& g = basGlobal();
        clConexion& conexion = g.conexionLocal();
        const clValores& valores = g.valores();
        const sql::ArticleKey article{g.g_INTNDC, g.g_ARTINO, g.g_ARTSNO};
        // Read before what the screen shows: a change in between is a change since.
        const sql::ExportItem exportItem{g.g_NumeroInterno, g.g_Item};
        known_ = readKnownLeft(conexion, valores, sql::quantitiesOfArticle(article, &exportItem));

        Recordset articulo;
        conexion.setSql(sql::availableOfArticle(article));
        if (!conexion.GetRecordset(articulo)) {
            show(QStringLiteral("No se obtener cantidad disponible"), vbCritical);
            return;
        }
        const double available = valores.Numero(articulo.Fields(QStringLiteral("ARTDSC")));
        articulo.close();

        Recordset rs;
        conexion.setSql(sql::cancellation(article, exportItem));
        if (!conexion.GetRecordset(rs)) {
            show(QStringLiteral("No se encontro el articulo en cancelaciones"), vbCritical);
            return;
        }

        label(QStringLiteral("lbEXTNRO"))->setText(g.g_NumeroInterno);
        label(QStringLiteral("lbEXTITM"))->setText(QString::number(g.g_Item));
        label(QStringLiteral("lbINTNDC"))->setText(g.g_INTNDC);
        label(QStringLiteral("lbARTINO"))->setText(Regional::format(g.g_ARTINO, QStringLiteral("000")));
        label(QStringLiteral("lbARTSNO"))->setText(Regional::format(g.g_ARTSNO, QStringLiteral("000")));

        const double quantity = valores.Numero(rs.Fields(QStringLiteral("ARTCDS")));
        textBox(QStringLiteral("txtARTCDS"))->setText(Regional::generalNumber(quantity));
        const double maximum = roundToCents(available + quantity);
        label(QStringLiteral("lbARTDSC"))->setText(Regional::format(maximum, QStringLiteral("00.00")));

        textBox(QStringLiteral("TxtARTEXP"))->setText(valores.Texto(rs.Fields(QStringLiteral("ARTEXP"))));
        textBox(QStringLiteral("txtARTCER"))->setText(valores.Texto(rs.Fields(QStringLiteral("ARTCER"))));
        textBox(QStringLiteral("TxtARTVEN"))
            ->setText(Regional::formatDateText(valores.Texto(rs.Fields(QStringLiteral("ARTVEN"))),
                                               QStringLiteral("dd/mm/yyyy")));
        textBox(QStringLiteral("txtARTORD"))->setText(valores.Texto(rs.Fields(QStringLiteral("ARTORD"))));
        rs.close();
    } catch (const RuntimeError& error) {
        reportError(error, QStringLiteral("Sección [QuendarxDLL.frmModificar.leer_articulo]"), vbCritical);
    }
}

bool frmModifcar::Guardar_Datos() {
    try {
        const QString quantityText = textBox(QStringLiteral("txtARTCDS"))->text();
        const auto quantity = Regional::readNumber(quantityText);
        if (!quantity) {
            show(QStringLiteral("El campo CANTIDAD debe tener un valor numérico"), vbExclamation);
            return false;
        }
        // A screen whose loading failed still shows the initial "00.0": the maximum is 0.
        const double maximum = Regional::readNumber(label(QStringLiteral("lbARTDSC"))->text()).value_or(0.0);
        if (maximum < *quantity) {
            show(QStringLiteral("El campo CANTIDAD no puede superar ") +
                     Regional::format(maximum, QStringLiteral("00.00")),
                 vbExclamation);
            return false;
        }
        const QString expiry = textBox(QStringLiteral("TxtARTVEN"))->text();
        if (!Regional::isDate(expiry)) {
            show(QStringLiteral("El campo VENCIMIENTO debe tener una fecha valida"), vbExclamation);
            return false;
        }

        LibraryState& g = basGlobal();
        const sql::ArticleKey article{g.g_INTNDC, g.g_ARTINO, g.g_ARTSNO};
        sql::CancellationUpdate update;
        update.quantity = Regional::format(*quantity, QStringLiteral("00.00"));
        update.artexp = textBox(QStringLiteral("TxtARTEXP"))->text();
        update.artcer = textBox(QStringLiteral("txtARTCER"))->text();
        update.artven = expiry;
        update.artord = textBox(QStringLiteral("txtARTORD"))->text();
        update.now = Regional::generalDate(Clock::now());

        const QString updateFailed = QStringLiteral("Error: no se guardaron las modificaciones.");
        clConexion& conexion = g.conexionLocal();
        Save save(conexion);
        auto stop = [&](const QString& message) {
            show(save.end(message), vbCritical);
            return false;
        };
        // Another workstation may have cancelled more of the article since the screen
        // read its maximum: re-read with the lock, unless the stock is as the screen found it.
        const sql::ExportItem exportItem{g.g_NumeroInterno, g.g_Item};
        const sql::Statement quantities = sql::quantitiesOfArticle(article, &exportItem);
        if (!save.begin({quantities}))
            return stop(updateFailed);
        if (const auto left = quantityLeftNow(conexion, g.valores(), quantities, known_, save.lockStamp());
            left && *left < *quantity) {
            show(save.end(QStringLiteral("El campo CANTIDAD no puede superar ") +
                          Regional::format(*left, QStringLiteral("00.00"))),
                 vbExclamation);
            return false;
        }
        history::Entry entry = history::cancellationEntry(history::kModification, article.intndc, article.artino,
                                                          article.artsno, g.g_NumeroInterno, g.g_Item);
        std::vector<history::RemovedRow> before;
        if (save.recordsHistory() &&
            save.capture(QStringLiteral("CANCELACIONES"), history::cancellationWhere(),
                         history::cancellationValues(entry), before) &&
            !before.empty())
            entry.before = before.front().value(QStringLiteral("ARTCDS")).toDouble();
        conexion.setSql(sql::updateCancellation(article, exportItem, update));
        if (conexion.Execute() == 0)
            return stop(updateFailed);
        save.wrote(updateFailed);
        entry.after = Regional::readNumber(update.quantity);
        save.record(std::move(entry));
        const QString failure = recomputeAvailable(article);
        if (!failure.isEmpty())
            return stop(failure);
        const QString lost = save.end();
        return lost.isEmpty() || stop(lost);
    } catch (const RuntimeError& error) {
        reportError(error, QStringLiteral("Sección [RuzozuduvaDIR.frmModifcar.Guardar_Datos"), vbCritical);
        return false;
    }
}

} // namespace quendarx
