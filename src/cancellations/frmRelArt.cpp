#include "cancellations/frmRelArt.h"
#include "cancellations/Registration.h"
#include "data/Statements.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace quendarx {

namespace {

const QString kList = QStringLiteral("ListView1");
const QString kQuantity = QStringLiteral("txtDescuento");
const QString kMoney = QStringLiteral("00.00");

bool isNull(const QVariant& value) { return !value.isValid() || value.isNull(); }

// A field that a label shows as text: null is an error.
QString requiredText(const QVariant& value) {
    if (isNull(value))
        raiseInvalidUseOfNull();
    return value.toString();
}

// A field by a number pattern; null reads as empty text.
QString formatted(const QVariant& value, const QString& pattern) {
    if (isNull(value))
        return QString();
    if (value.typeId() == QMetaType::QString)
        return Regional::formatText(value.toString(), pattern);
    return Regional::format(value.toDouble(), pattern);
}

QString formattedDate(const QVariant& value, const QString& pattern) {
    if (isNull(value))
        return QString();
    if (value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate)
        return Regional::formatDate(value.toDateTime(), pattern);
    return Regional::formatDateText(value.toString(), pattern);
}

// A text read as a number; Type mismatch when it is none.
double number(const QString& text) {
    const auto value = Regional::readNumber(text);
    if (!value)
        raiseTypeMismatch();
    return *value;
}

ControlSpec caption(const char* name, int left, int top, int width, const char* text, QColor colour = {},
                    bool bold = false) {
    return {QLatin1String(name), ControlKind::Label, left, top, width, 195, QString::fromUtf8(text), -1, colour, bold};
}

ControlSpec entry(const char* name, int top, int width, int tabIndex, const char* text = "") {
    return {QLatin1String(name), ControlKind::TextBox, 1860, top, width, 255, QString::fromUtf8(text), tabIndex};
}

ControlSpec decoration(const char* name, int left, int top, int width, int height) {
    return {QLatin1String(name), ControlKind::Decoration, left, top, width, height, {}};
}

} // namespace

frmRelArt& frmRelArt::instance() {
    return basGlobal().screen<frmRelArt>(ScreenId::frmRelArt, [] { return std::make_unique<frmRelArt>(); });
}

frmRelArt::frmRelArt()
    : Form(QStringLiteral("frmRelArt"), QStringLiteral("Descontar articulo"), 5100, 6330,
           {
               decoration("Image1", 60, 60, 480, 480),
               caption("Label1", 660, 120, 2475, "Descontar articulo", {}, true),
               decoration("Image2", 4560, 60, 480, 480),
               caption("lbCODART", 60, 840, 1155, "Articulo ", colors::navy),
               caption("lbARTNRO", 1260, 840, 1455, "ASERFD1232-34"),
               caption("Label2", 60, 1080, 1155, "Nro Item ", colors::navy),
               caption("lbARTINO", 1260, 1080, 1335, "001"),
               caption("Label3", 60, 1320, 1155, "Nro SubItem ", colors::navy),
               caption("lbARTSNO", 1260, 1320, 1335, "001"),
               caption("Label4", 60, 1560, 1155, "Posición ", colors::navy),
               caption("lbARTNCM", 1260, 1560, 1335, "2001.65.90.000D"),
               caption("Label5", 2760, 840, 1155, "Cantidad Total ", colors::navy),
               caption("lbARTCAN", 3960, 840, 975, "00.00"),
               caption("Label6", 2760, 1080, 1155, "Unitario ", colors::navy),
               caption("lbARTUNI", 3960, 1080, 975, "00.0000"),
               caption("Label7", 2760, 1320, 1155, "FoB ", colors::navy),
               caption("lbARTFOB", 3960, 1320, 975, "00.00"),
               caption("Label8", 2760, 1560, 1155, "Disponible ", colors::navy, true),
               caption("lbARTDSC", 3960, 1560, 975, "00.00", colors::green, true),
               decoration("Shape3", 60, 780, 4995, 1035),
               decoration("Shape1", 60, 1920, 4995, 1575),
               caption("Label17", 180, 1980, 1635, "Cantidad a descontar", colors::red),
               entry("txtDescuento", 1980, 1035, 0, " 00.00"),
               caption("Label9", 180, 2280, 1635, "Expediente", colors::navy),
               entry("txtARTEXP", 2280, 1515, 1),
               caption("Label10", 180, 2580, 1635, "Certificado", colors::navy),
               entry("txtARTCER", 2580, 2595, 2),
               caption("Label12", 180, 2880, 1635, "Nro. Orden", colors::navy),
               entry("txtARTORD", 2880, 675, 3),
               caption("Label11", 180, 3180, 1635, "Vencimiento", colors::navy),
               entry("txtARTVEN", 3180, 1035, 4),
               decoration("Shape2", 2940, 3180, 2115, 315),
               caption("Label18", 3000, 3240, 2055, "[F11] - para descontar", colors::darkRed, true),
               {QStringLiteral("ListView1"), ControlKind::ListView, 60, 3600, 4995, 2655, {}, 5, colors::darkRed},
           }) {}

void frmRelArt::Form_Load() {
    setColumns(listView(kList), {{QStringLiteral("Interno"), 1440, false, true},
                                 {QStringLiteral("Item"), 580, true},
                                 {QStringLiteral("Cantidad"), 1000, true},
                                 {QStringLiteral("Fecha"), 1600, true}});
    const char* const boxes[] = {"txtDescuento", "txtARTCER", "txtARTORD", "txtARTEXP", "txtARTVEN"};
    for (std::size_t i = 0; i < helpers_.size(); ++i) {
        if (!helpers_[i])
            helpers_[i] = std::make_unique<ClCntrl>();
        helpers_[i]->sLinkText(textBox(QLatin1String(boxes[i])));
    }
    lp_Cargar_Articulo();
}

void frmRelArt::Form_Unload() {
    for (auto& helper : helpers_)
        helper.reset();
    known_.reset();
}

void frmRelArt::Form_KeyDown(int& keyCode, int /*shift*/) {
    if (keyCode == vbKeyF11)
        lf_Descontar();
    else if (keyCode == vbKeyEscape)
        unload();
}

void frmRelArt::lp_Cargar_Articulo() {
    known_.reset();
    try {
        const LibraryState& g = basGlobal();
        const sql::ArticleKey key{g.g_INTNDC, g.g_ARTINO, g.g_ARTSNO};
        clConexion& conexion = basGlobal().conexionLocal();
        // Read before what the screen shows: a change in between is a change since.
        known_ = readKnownLeft(conexion, basGlobal().valores(), sql::quantitiesOfArticle(key));
        Recordset rs;
        conexion.setSql(sql::article(key));
        if (!conexion.GetRecordset(rs))
            return;
        auto show = [&](const char* name, const QString& text) { label(QLatin1String(name))->setText(text); };
        show("lbARTNRO", requiredText(rs.Fields(QStringLiteral("ARTNRO"))));
        show("lbARTINO", formatted(rs.Fields(QStringLiteral("ARTINO")), QStringLiteral("000")));
        show("lbARTSNO", formatted(rs.Fields(QStringLiteral("ARTSNO")), QStringLiteral("000")));
        show("lbARTNCM", requiredText(rs.Fields(QStringLiteral("ARTNCM"))));
        show("lbARTCAN", formatted(rs.Fields(QStringLiteral("ARTCAN")), kMoney));
        show("lbARTUNI", formatted(rs.Fields(QStringLiteral("ARTUNI")), QStringLiteral("00.0000")));
        show("lbARTFOB", formatted(rs.Fields(QStringLiteral("ARTFOB")), kMoney));
        show("lbARTDSC", formatted(rs.Fields(QStringLiteral("ARTDSC")), kMoney));
        textBox(kQuantity)->setText(label(QStringLiteral("lbARTDSC"))->text());

        Recordset cancellations;
        conexion.setSql(sql::cancellationsOfArticle(key));
        if (conexion.GetRecordset(cancellations)) {
            QTreeWidget* list = listView(kList);
            const clValores& valores = basGlobal().valores();
            while (!cancellations.EOF_()) {
                auto* row = new QTreeWidgetItem(list);
                const QVariant item = cancellations.Fields(QStringLiteral("EXTITM"));
                row->setText(0, valores.Texto(cancellations.Fields(QStringLiteral("EXTNRO"))));
                row->setText(1, isNull(item) ? QString() : item.toString());
                row->setText(2,
                             Regional::format(valores.Numero(cancellations.Fields(QStringLiteral("ARTCDS"))), kMoney));
                row->setText(3, formattedDate(cancellations.Fields(QStringLiteral("EXTFDC")),
                                              QStringLiteral("dd/mm/yyyy HH:MM:SS")));
                for (int column = 1; column <= 3; ++column)
                    row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
                cancellations.MoveNext();
            }
        }
        cancellations.close();
    } catch (const RuntimeError& error) {
        MessageBoxes::show(QString::number(error.number) + QStringLiteral(" - ") + error.description, vbOKOnly);
    }
}

bool frmRelArt::lf_Descontar() {
    basGlobal().g_CantidadDescontada.clear();
    try {
        if (!register_())
            return false;
    } catch (const RuntimeError& error) {
        reportError(error, QStringLiteral("Sección [QuendarxDLL.frmRELART.lf_Descontar"), vbCritical);
        return false;
    }
    runKeyDown(vbKeyEscape);
    return true;
}

bool frmRelArt::register_() {
    LibraryState& g = basGlobal();
    QLineEdit* quantityBox = textBox(kQuantity);
    auto refuse = [](const char* text, int style) {
        MessageBoxes::show(QString::fromUtf8(text), style);
        return false;
    };

    const auto typed = Regional::readNumber(quantityBox->text());
    if (!typed) {
        refuse("Debe ingresar un valor numérico", vbExclamation);
        quantityBox->setFocus();
        return false;
    }
    if (!(*typed > 0)) {
        refuse("Debe ingresar un valor mayor a cero", vbExclamation);
        quantityBox->setFocus();
        return false;
    }
    // The quantity is the one the box shows formatted. The box is rewritten only when the
    // screen stays open (a refusal, an error): before the message, or as an error leaves
    // this routine; a registration that goes through closes the screen unseen.
    const QString shown = Regional::format(*typed, kMoney);
    struct ShowRead {
        QLineEdit* box;
        const QString& text;
        bool keep = true;
        void now() const {
            if (keep && box->text() != text)
                box->setText(text);
        }
        ~ShowRead() { now(); }
    } showRead{quantityBox, shown};
    const double available = number(label(QStringLiteral("lbARTDSC"))->text());
    const double quantity = number(shown);
    if (available < quantity) {
        showRead.now();
        MessageBoxes::show(QStringLiteral("El valor a descontar no puede ser mayor a ") +
                               Regional::format(available, kMoney),
                           vbExclamation);
        return false;
    }

    Registration registration;
    registration.article = {g.g_INTNDC, g.g_ARTINO, g.g_ARTSNO};
    registration.exportItem = {g.g_NumeroInterno, g.g_Item};
    registration.quantity = quantity;
    registration.artexp = textBox(QStringLiteral("txtARTEXP"))->text();
    registration.artcer = textBox(QStringLiteral("txtARTCER"))->text();
    registration.artven = textBox(QStringLiteral("txtARTVEN"))->text();
    registration.artord = textBox(QStringLiteral("txtARTORD"))->text();
    registration.known = known_;
    if (const auto refusal = registerCancellation(g.conexionLocal(), g.valores(), registration)) {
        showRead.now();
        MessageBoxes::show(refusal->message, refusal->style);
        return false;
    }

    showRead.keep = false;
    g.g_CantidadDescontada = Regional::generalNumber(quantity);
    return true;
}

} // namespace quendarx
