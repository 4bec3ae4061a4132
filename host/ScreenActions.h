#pragma once
// One scripted action on a shown screen, as the clerk at the keyboard would do it.
#include "script/Commands.h"
#include <QStringList>

namespace quendarx {
class Form;
}

namespace quendarx::host {

// Makes the screen's window the active one (so keys reach it), waiting briefly for it.
void activateScreen(Form& form);

// Runs the action. Keys go to the focused control (the window when nothing has the
// focus); a key that opens a modal screen returns once that screen has closed. `dump`
// puts its lines into *dump, `shot` (a PNG of the window) its SHOT line. Throws
// ScriptError for a control the screen does not have or a picture that cannot be written.
void runAction(Form& form, const Action& action, QStringList* dump);

// Presses one key on the screen's focused control.
void pressKey(Form& form, KeyName key);

} // namespace quendarx::host
