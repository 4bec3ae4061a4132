// What the interactive host window's buttons do: put the fields as properties, call the
// member, show the result in the status line and read the table again.
#include "InteractiveHostWindow.h"
#include "script/ScriptError.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <cmath>
#include <limits>

namespace quendarx::host {

namespace {

constexpr int kINTNDC = 0, kARTINO = 2, kARTSNO = 3; // table columns of the row's key

QString cellText(const QVariant& value) {
    if (value.typeId() != QMetaType::Double)
        return value.toString(); // text as it stands; null as nothing
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const double number = value.toDouble();
    if (std::trunc(number) == number && std::abs(number) < 1e15)
        return locale.toString(static_cast<qlonglong>(number));
    return locale.toString(number, 'g', 15);
}

// The key of a table row, to select it again after the table is read anew.
QString rowKey(const QTableWidget* table, int row) {
    QStringList key;
    for (int column : {kINTNDC, kARTINO, kARTSNO})
        key << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return key.join(u'\x1f');
}

} // namespace

void InteractiveHostWindow::run(const Member& member) {
    if (busy_)
        return; // a call is under way: its screens are running inside it
    const QString shownAs = member.cls == HostClass::Importar && member.name == u"Conectar_DB"
                                ? QStringLiteral("clImportar.Conectar_DB")
                                : member.name;
    std::vector<Argument> arguments;
    if (member.needsRow) {
        const auto row = rowArguments();
        if (!row) {
            setStatus(shownAs + QStringLiteral(": elija una cancelación de la tabla"));
            return;
        }
        arguments = *row;
    }
    busy_ = true;
    setStatus(shownAs + QStringLiteral("..."));
    try {
        QString failure;
        if (!putFields(member.cls, &failure)) {
            setStatus(failure);
        } else {
            const InvokeOutcome outcome = session_.call(member.cls, member.name, arguments);
            setStatus(outcomeText(shownAs, outcome));
            if (member.name == u"Conectar_DB")
                connected_ = !outcome.failed && outcome.result == u"True";
            if (member.name == u"ObtenerCancelacion")
                showTable(outcome.failed ? RecordsetTable{} : recordsetTable(outcome.recordsetLines));
        }
    } catch (const ScriptError& error) { // the class or the member is not to be had
        setStatus(shownAs + QStringLiteral(": ") + error.message());
    }
    busy_ = false;
    if (member.name == u"Importar")
        watchImportScreen();
    if (member.name != u"ObtenerCancelacion")
        refreshTable();
    keepImportNumber();
}

// Both classes share one Numero_Interno in the library: the export declaration goes in
// before a clcancelMain member, the outside declaration before Importar.
bool InteractiveHostWindow::putFields(HostClass cls, QString* failure) {
    std::vector<std::pair<QString, QString>> puts{
        {QStringLiteral("Ubicacion_Base_Datos"), database_->text()},
        {QStringLiteral("NombreImpresora"), printer_->currentText()},
    };
    if (cls == HostClass::Importar) {
        puts.emplace_back(QStringLiteral("Base_Brevik"), baseBrevik_->text());
        puts.emplace_back(QStringLiteral("Numero_Interno"), internoBrevik_->text());
    } else {
        puts.emplace_back(QStringLiteral("Numero_Interno"), interno_->text());
    }
    if (!item_->text().trimmed().isEmpty()) // an empty Item keeps the library's value
        puts.emplace_back(QStringLiteral("Item"), item_->text());
    for (const auto& [property, value] : puts) {
        if (auto error = session_.put(cls, property, value)) {
            *failure = *error;
            return false;
        }
    }
    return true;
}

std::optional<std::vector<Argument>> InteractiveHostWindow::rowArguments() const {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const int row = selected.first()->row();
    const auto number = [&](int column) {
        const double value = table_->item(row, column)->data(Qt::UserRole).toDouble();
        Argument argument;
        argument.isNumber = true;
        argument.number = static_cast<std::int16_t>(std::clamp<double>(value, std::numeric_limits<std::int16_t>::min(),
                                                                       std::numeric_limits<std::int16_t>::max()));
        return argument;
    };
    Argument intndc;
    intndc.text = table_->item(row, kINTNDC)->data(Qt::UserRole).toString();
    return std::vector<Argument>{intndc, number(kARTINO), number(kARTSNO)};
}

// ObtenerCancelacion for the current item, without touching the status line. Nothing to
// read before a connection or without an item.
void InteractiveHostWindow::refreshTable() {
    if (busy_)
        return;
    if (!connected_ || item_->text().trimmed().isEmpty()) {
        showTable({});
        return;
    }
    busy_ = true;
    RecordsetTable recordset;
    try {
        QString failure;
        if (putFields(HostClass::CancelMain, &failure)) {
            const InvokeOutcome outcome = session_.call(HostClass::CancelMain, QStringLiteral("ObtenerCancelacion"));
            if (!outcome.failed)
                recordset = recordsetTable(outcome.recordsetLines);
        }
    } catch (const ScriptError&) {
        // the table stays empty; the buttons report what is wrong
    }
    busy_ = false;
    showTable(recordset);
    keepImportNumber();
}

void InteractiveHostWindow::showTable(const RecordsetTable& recordset) {
    const int selectedRow = table_->selectedItems().isEmpty() ? -1 : table_->selectedItems().first()->row();
    const QString selectedKey = selectedRow < 0 ? QString() : rowKey(table_, selectedRow);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(recordset.rows.size()));
    for (int column = 0; column < table_->columnCount(); ++column) {
        const qsizetype source = recordset.columns.indexOf(table_->horizontalHeaderItem(column)->text());
        if (source < 0)
            continue;
        for (int row = 0; row < table_->rowCount(); ++row) {
            const auto& values = recordset.rows[static_cast<std::size_t>(row)];
            const QVariant value = source < static_cast<qsizetype>(values.size())
                                       ? values[static_cast<std::size_t>(source)]
                                       : QVariant();
            auto* cell = new QTableWidgetItem(cellText(value));
            cell->setData(Qt::UserRole, value);
            if (value.typeId() == QMetaType::Double)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, cell);
        }
    }
    table_->resizeColumnsToContents();
    // The row chosen before stays chosen, else the first one; the current cell goes with
    // it so that the arrows move on from there.
    int chosen = table_->rowCount() > 0 ? 0 : -1;
    for (int row = 0; row < table_->rowCount(); ++row)
        if (!selectedKey.isEmpty() && rowKey(table_, row) == selectedKey)
            chosen = row;
    if (chosen >= 0)
        table_->setCurrentCell(chosen, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool InteractiveHostWindow::importScreenOpen() const {
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == u"frmImportar" && window->isVisible())
            return true;
    return false;
}

// The open import screen saves under the shared Numero_Interno: after a clcancelMain
// member put the export declaration there, the outside declaration goes back in.
void InteractiveHostWindow::keepImportNumber() {
    if (!importScreenOpen())
        return;
    try {
        session_.put(HostClass::Importar, QStringLiteral("Numero_Interno"), internoBrevik_->text());
    } catch (const ScriptError&) {
    }
}

// The import screen is modeless: the table is read again once it has closed.
void InteractiveHostWindow::watchImportScreen() {
    if (importScreenOpen())
        importWatch_.start();
}

} // namespace quendarx::host
