#include "stock/frmArticulos.h"
#include "cancellations/frmRelArt.h"
#include "data/Statements.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QDialog>
#include <QLabel>
#include <QTreeWidget>
#include <utility>

namespace quendarx {

namespace {

const QString kList = QStringLiteral("lstV");
constexpr int kAvailableColumn = 7;

bool isNull(const QVariant& value) { return !value.isValid() || value.isNull(); }

// A field by a number pattern: numbers and texts that read as numbers are formatted,
// other texts stay as they are; null reads as empty text.
QString formatted(const QVariant& value, const QString& pattern) {
    if (isNull(value))
        return QString();
    if (value.typeId() == QMetaType::QString)
        return Regional::formatText(value.toString(), pattern);
    return Regional::format(value.toDouble(), pattern);
}

// Whether a stored quantity is zero (null is not).
bool isZero(const QVariant& value) {
    if (isNull(value))
        return false;
    if (value.typeId() == QMetaType::QString) {
        const auto number = Regional::readNumber(value.toString());
        return number && *number == 0;
    }
    return value.toDouble() == 0;
}

} // namespace

frmArticulos& frmArticulos::instance() {
    return basGlobal().screen<frmArticulos>(ScreenId::frmArticulos, [] { return std::make_unique<frmArticulos>(); });
}

frmArticulos::frmArticulos()
    : Form(QStringLiteral("frmArticulos"), QStringLiteral("Articulos"), 10500, 6360,
           {
               {QStringLiteral("Image1"), ControlKind::Decoration, 90, 60, 480, 480, {}},
               {QStringLiteral("Label1"),
                ControlKind::Label,
                720,
                120,
                1335,
                195,
                QStringLiteral("Articulos"),
                -1,
                {},
                true},
               {QStringLiteral("Label2"), ControlKind::Label, 1680, 120, 1215, 195, QStringLiteral("Declaración:")},
               {QStringLiteral("lbDeclaracion"), ControlKind::Label, 3000, 120, 2115, 195, {}, -1, {}, true},
               {QStringLiteral("Image2"), ControlKind::Decoration, 9900, 60, 480, 480, {}},
               {QStringLiteral("Shape1"), ControlKind::Decoration, 60, 750, 10395, 5535, {}},
               {QStringLiteral("lstV"), ControlKind::ListView, 90, 780, 10335, 5475, {}, 0},
           }) {}

void frmArticulos::Form_Load() {
    setColumns(listView(kList), {{QStringLiteral("Articulo"), 1800},
                                 {QStringLiteral("Item"), 550},
                                 {QStringLiteral("Subitem"), 750},
                                 {QStringLiteral("Posición"), 1600},
                                 {QStringLiteral("Cantidad"), 950, true},
                                 {QStringLiteral("Unitario"), 1440, true},
                                 {QStringLiteral("FOB"), 1440, true},
                                 {QStringLiteral("Disponible"), 1440, true}});
    label(QStringLiteral("lbDeclaracion"))->setText(basGlobal().g_INTNDC);
    lp_CargarArticulos();
}

void frmArticulos::lp_CargarArticulos() {
    QTreeWidget* list = listView(kList);
    QWidget* focused = window()->focusWidget();
    // Rows are built apart and handed to the list at once: a row in the list notifies
    // its view of every cell it is given.
    QList<QTreeWidgetItem*> rows;
    try {
        list->clear();
        list->setVisible(false);
        clConexion& conexion = basGlobal().conexionLocal();
        conexion.setSql(sql::articlesOfDeclaration(basGlobal().g_INTNDC));
        Recordset rs;
        if (conexion.GetRecordset(rs)) {
            while (!rs.EOF_()) {
                auto* row = new QTreeWidgetItem;
                rows << row;
                const QVariant ncm = rs.Fields(QStringLiteral("ARTNCM"));
                const QStringList cells{
                    isNull(rs.Fields(QStringLiteral("ARTNRO"))) ? QString()
                                                                : rs.Fields(QStringLiteral("ARTNRO")).toString(),
                    formatted(rs.Fields(QStringLiteral("ARTINO")), QStringLiteral("000")),
                    formatted(rs.Fields(QStringLiteral("ARTSNO")), QStringLiteral("000")),
                    isNull(ncm) ? QString() : ncm.toString(),
                    formatted(rs.Fields(QStringLiteral("ARTCAN")), QStringLiteral("00.00")),
                    formatted(rs.Fields(QStringLiteral("ARTUNI")), QStringLiteral("00.0000")),
                    formatted(rs.Fields(QStringLiteral("ARTFOB")), QStringLiteral("00.00")),
                    formatted(rs.Fields(QStringLiteral("ARTDSC")), QStringLiteral("00.00")),
                };
                const bool exhausted = isZero(rs.Fields(QStringLiteral("ARTDSC")));
                for (int column = 0; column < cells.size(); ++column) {
                    row->setText(column, cells.at(column));
                    if (column >= 4)
                        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
                    if (exhausted)
                        setCellStyle(row, column, CellColour::Gray, false);
                    else if (column == kAvailableColumn)
                        setCellStyle(row, column, CellColour::Highlight, true);
                    else
                        setCellStyle(row, column, CellColour::Normal, false);
                }
                rs.MoveNext();
            }
        }
        list->addTopLevelItems(std::exchange(rows, {}));
        if (list->topLevelItemCount() > 0)
            list->setCurrentItem(list->topLevelItem(0));
    } catch (const RuntimeError& error) {
        list->addTopLevelItems(rows);
        reportError(error,
                    QStringLiteral("Sección [ ") + QStringLiteral("QuendarxDLL.frmArticulos") +
                        QStringLiteral(".lp_Cargar_Articulos ]"),
                    vbCritical);
    }
    list->setVisible(true);
    if (focused == list)
        list->setFocus();
}

void frmArticulos::Form_KeyDown(int& keyCode, int /*shift*/) {
    if (keyCode == vbKeyEscape)
        unload();
}

void frmArticulos::Control_KeyDown(const QString& control, int& keyCode, int /*shift*/) {
    if (control == kList && keyCode == vbKeyReturn)
        pickArticle();
}

void frmArticulos::pickArticle() {
    QTreeWidget* list = listView(kList);
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* row = selected.front();
    const auto item = Regional::readNumber(row->text(1));
    const auto subItem = Regional::readNumber(row->text(2));
    if (!item || !subItem)
        return;
    LibraryState& g = basGlobal();
    g.g_ARTINO = static_cast<std::int32_t>(*item);
    g.g_ARTSNO = static_cast<std::int32_t>(*subItem);
    g.g_CantidadDescontada.clear();

    frmRelArt::instance().showModal();

    if (!isLoaded() || g.g_CantidadDescontada.isEmpty())
        return;
    const auto available = Regional::readNumber(row->text(kAvailableColumn));
    const auto cancelled = Regional::readNumber(g.g_CantidadDescontada);
    if (available && cancelled)
        row->setText(kAvailableColumn, Regional::format(*available - *cancelled, QStringLiteral("00.00")));
}

} // namespace quendarx
