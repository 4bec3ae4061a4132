#pragma once
// Qt's own texts (dialog buttons, the file dialog) in the language of the regional
// settings, from Qt's translation files.
#include <QString>

class QMessageBox;

namespace quendarx {

// Qt's translation of `source` in `context` for the regional settings' language; the
// source itself when there is none.
QString qtText(const char* context, const char* source);
// Gives the box's standard buttons their texts in the regional settings' language.
void translateButtons(QMessageBox& box);
// Installs Qt's translations for the regional settings' language in the running
// application: only for an application the library or its own host program created.
void installQtTranslations();

} // namespace quendarx
