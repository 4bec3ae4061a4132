#include "stock/frmDespachos.h"
#include "data/Save.h"
#include "data/Statements.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <QDialog>
#include <QTreeWidget>
#include <utility>

namespace quendarx {

namespace {

const QString kList = QStringLiteral("lstV");

// A field as text; null reads as empty text.
QString fieldText(const QVariant& value) { return value.isValid() && !value.isNull() ? value.toString() : QString(); }

// The officialisation date as "dd/mm/yyyy" when it reads as a date, else its text.
QString officialisation(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate)
        return Regional::formatDate(value.toDateTime(), QStringLiteral("dd/mm/yyyy"));
    return Regional::formatDateText(fieldText(value).trimmed(), QStringLiteral("dd/mm/yyyy")).trimmed();
}

QTreeWidgetItem* selectedRow(QTreeWidget* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

} // namespace

frmDespachos& frmDespachos::instance() {
    return basGlobal().screen<frmDespachos>(ScreenId::frmDespachos, [] { return std::make_unique<frmDespachos>(); });
}

frmDespachos::frmDespachos()
    : Form(QStringLiteral("frmDespachos"), QStringLiteral("Despachos"), 7395, 6150,
           {
               {QStringLiteral("Image1"), ControlKind::Decoration, 60, 60, 480, 480, {}},
               {QStringLiteral("Label1"),
                ControlKind::Label,
                660,
                120,
                2055,
                255,
                QStringLiteral("Consulta Despachos"),
                -1,
                {},
                true},
               {QStringLiteral("Shape1"), ControlKind::Decoration, 30, 570, 7335, 5535, {}},
               {QStringLiteral("lstV"), ControlKind::ListView, 60, 600, 7275, 5475, {}, 0},
           }) {}

void frmDespachos::Form_Load() {
    setColumns(listView(kList), {{QStringLiteral("Declaración"), 1440, false, true},
                                 {QStringLiteral("Interno"), 1440},
                                 {QStringLiteral("Descripción"), 2700, false, false, true},
                                 {QStringLiteral("Oficialización"), 1300, true}});
    lp_Cargar_Listado();
}

void frmDespachos::lp_Cargar_Listado() {
    QTreeWidget* list = listView(kList);
    QWidget* focused = window()->focusWidget();
    Recordset rs;
    // Rows are built apart and handed to the list at once: a row in the list notifies
    // its view of every cell it is given.
    QList<QTreeWidgetItem*> rows;
    try {
        list->clear();
        list->setVisible(false);
        clConexion& conexion = basGlobal().conexionLocal();
        conexion.setSql(sql::declarationsByDate());
        if (conexion.GetRecordset(rs)) {
            while (!rs.EOF_()) {
                auto* row = new QTreeWidgetItem;
                rows << row;
                row->setText(0, fieldText(rs.Fields(QStringLiteral("INTNDC"))));
                setCellStyle(row, 0, CellColour::Highlight, false);
                row->setText(1, fieldText(rs.Fields(QStringLiteral("NUMERO"))).trimmed());
                setCellStyle(row, 1, CellColour::Normal, false);
                row->setText(2, fieldText(rs.Fields(QStringLiteral("INTDSC"))).trimmed());
                setCellStyle(row, 2, CellColour::Normal, false);
                row->setText(3, officialisation(rs.Fields(QStringLiteral("INTFOF"))));
                row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
                setCellStyle(row, 3, CellColour::Highlight, false);
                rs.MoveNext();
            }
        }
        list->addTopLevelItems(std::exchange(rows, {}));
        if (list->topLevelItemCount() > 0)
            list->setCurrentItem(list->topLevelItem(0));
    } catch (const RuntimeError& error) {
        list->addTopLevelItems(rows);
        reportError(error, QStringLiteral("Sección [Quendarxdll.frmDespachos.lp_Cargar_Listado]"), vbCritical);
    }
    rs.close();
    list->setVisible(true);
    if (focused == list)
        list->setFocus();
}

void frmDespachos::lp_Eliminar_Despacho() {
    try {
        QTreeWidget* list = listView(kList);
        QTreeWidgetItem* row = selectedRow(list);
        if (!row)
            throw RuntimeError(StandardError::InvalidCall);
        const QString code = row->text(0);
        clConexion& conexion = basGlobal().conexionLocal();
        // One save; the three results are not looked at, but a save the engine could not
        // take, rolled back by itself or could not commit is a failure while deleting: the
        // row stays in the list.
        auto failed = [&] { return RuntimeError(errDatabase, conexion.lastError(), QStringLiteral("clConexion")); };
        Save save(conexion);
        if (!save.begin())
            throw failed();
        save.wrote(QStringLiteral("lost"));
        // The history keeps the rows each statement removed (the declaration's first), to
        // put them back exactly.
        history::Entry entry;
        entry.operation = QLatin1String(history::kDeclarationDeletion);
        entry.intndc = code;
        const std::pair<const char*, sql::Statement> steps[] = {
            {"CANCELACIONES", sql::deleteDeclarationCancellations(code)},
            {"ARTICULOS", sql::deleteDeclarationArticles(code)},
            {"OPERACIONES", sql::deleteDeclaration(code)}};
        for (const auto& [table, statement] : steps) {
            std::vector<history::RemovedRow> rows;
            if (save.recordsHistory())
                save.capture(QLatin1String(table), QStringLiteral("INTNDC = ? COLLATE NOCASE"), {code}, rows);
            conexion.setSql(statement);
            conexion.Execute();
            if (!conexion.InTransaction())
                break;
            if (conexion.lastError().isEmpty())
                entry.rows.insert(entry.rows.begin(), rows.begin(), rows.end());
        }
        if (!entry.rows.empty())
            save.record(std::move(entry));
        if (!save.end().isEmpty())
            throw failed();
        delete list->takeTopLevelItem(list->indexOfTopLevelItem(row));
        list->clearSelection();
        MessageBoxes::show(QStringLiteral("Despacho ") + code + QStringLiteral(" eliminado"), vbCritical);
    } catch (const RuntimeError& error) {
        MessageBoxes::show(error.description + QStringLiteral("\r\n\r\n") +
                               QStringLiteral("Sección [Quendar.frmDespachos.lp_Eliminar_Despacho]"),
                           vbOKOnly);
    }
}

void frmDespachos::Form_KeyDown(int& keyCode, int /*shift*/) {
    if (keyCode == vbKeyEscape)
        unload();
    else if (keyCode == vbKeyDelete)
        lp_Eliminar_Despacho();
}

void frmDespachos::Control_KeyPress(const QString& control, int& keyAscii) {
    if (control != kList || keyAscii != vbKeyReturn)
        return;
    QTreeWidget* list = listView(kList);
    QTreeWidgetItem* row = list->topLevelItemCount() > 0 ? selectedRow(list) : nullptr;
    if (!row)
        return;
    basGlobal().g_INTNDC = row->text(0);
    runKeyDown(vbKeyEscape);
}

} // namespace quendarx
