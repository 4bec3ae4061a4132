#pragma once
// The `dump` of a screen, read through its control table: DUMP, LABEL, TEXT, FOCUS,
// COLUMNS, ROW, SELECTED, ENDDUMP lines.
#include <QStringList>

class QTreeWidget;

namespace quendarx {
class Form;
}

namespace quendarx::host {

// Labels, text boxes and list views in the order of the control table (decoration,
// buttons and progress bars left out). The FOCUS line comes right before the first list
// view, or right before ENDDUMP on a screen without one. Hidden list rows are left out.
QStringList dumpLines(const Form& form);

// The first list view of the control table, if any.
QTreeWidget* firstListView(const Form& form);

} // namespace quendarx::host
