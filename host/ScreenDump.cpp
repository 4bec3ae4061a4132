#include "ScreenDump.h"
#include "controls/Form.h"
#include "script/Json.h"
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace quendarx::host {

namespace {

QString colourText(const QLineEdit* box) {
    QColor colour = backColor(box);
    if (!colour.isValid())
        colour = box->palette().color(QPalette::Base);
    return colour.name(QColor::HexRgb).toUpper();
}

QString cellStyle(const QTreeWidgetItem* item, int column) {
    QString style;
    switch (cellColour(item, column)) {
    case CellColour::Normal:
        style = QStringLiteral("normal");
        break;
    case CellColour::Gray:
        style = QStringLiteral("gray");
        break;
    case CellColour::Highlight:
        style = QStringLiteral("highlight");
        break;
    }
    if (cellBold(item, column))
        style += QStringLiteral("+bold");
    return style;
}

// The named control that has the focus: the focused widget or the nearest of its
// parents that the control table names.
QString focusName(const Form& form) {
    QDialog* window = form.window();
    if (!window)
        return QStringLiteral("none");
    QWidget* focused = QApplication::focusWidget();
    if (!focused || focused->window() != window)
        focused = window->focusWidget();
    for (QWidget* w = focused; w && w != window; w = w->parentWidget())
        for (const ControlSpec& spec : form.controlTable())
            if (spec.name == w->objectName())
                return spec.name;
    return QStringLiteral("none");
}

void dumpList(const QString& name, QTreeWidget* list, QStringList& lines) {
    const int columns = list->columnCount();
    QStringList headers;
    for (int c = 0; c < columns; ++c)
        headers << list->headerItem()->text(c);
    lines << QStringLiteral("COLUMNS ") + name + u' ' + jsonStringArray(headers);
    int selected = -1;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        if (selected < 0 && item->isSelected())
            selected = i;
        if (item->isHidden())
            continue;
        QStringList cells;
        QStringList styles;
        for (int c = 0; c < columns; ++c) {
            cells << item->text(c);
            styles << jsonString(cellStyle(item, c));
        }
        lines << QStringLiteral("ROW ") + name + u' ' + QString::number(i) + u' ' + jsonStringArray(cells) + u' ' +
                     jsonArray(styles);
    }
    lines << QStringLiteral("SELECTED ") + name + u' ' +
                 (selected < 0 ? QStringLiteral("none") : QString::number(selected));
}

} // namespace

QTreeWidget* firstListView(const Form& form) {
    for (const ControlSpec& spec : form.controlTable())
        if (spec.kind == ControlKind::ListView)
            if (QTreeWidget* list = form.listView(spec.name))
                return list;
    return nullptr;
}

QStringList dumpLines(const Form& form) {
    QStringList lines{QStringLiteral("DUMP ") + form.name()};
    const QString focus = QStringLiteral("FOCUS ") + focusName(form);
    bool focusWritten = false;
    for (const ControlSpec& spec : form.controlTable()) {
        switch (spec.kind) {
        case ControlKind::Label:
            if (const QLabel* label = form.label(spec.name))
                lines << QStringLiteral("LABEL ") + spec.name + u' ' + jsonString(label->text());
            break;
        case ControlKind::TextBox:
            if (const QLineEdit* box = form.textBox(spec.name))
                lines << QStringLiteral("TEXT ") + spec.name + u' ' + jsonString(box->text()) + u' ' + colourText(box);
            break;
        case ControlKind::ListView:
            if (QTreeWidget* list = form.listView(spec.name)) {
                if (!focusWritten) {
                    lines << focus;
                    focusWritten = true;
                }
                dumpList(spec.name, list, lines);
            }
            break;
        case ControlKind::Button:
        case ControlKind::ProgressBar:
        case ControlKind::Decoration:
            break;
        }
    }
    if (!focusWritten)
        lines << focus;
    lines << QStringLiteral("ENDDUMP");
    return lines;
}

} // namespace quendarx::host
