#pragma once
// Key codes as the screens' key handlers know them (Esc 27, Enter 13, F11 122 ...).
class QKeyEvent;

namespace quendarx {

enum VbKey : int {
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyEscape = 27,
    vbKeyUp = 38,
    vbKeyDown = 40,
    vbKeyDelete = 46,
    vbKeyDecimal = 110, // the numeric keypad's decimal key
    vbKeyF11 = 122,
    vbKeyPeriod = 190, // the main keyboard's full stop
};

// The key code of a key event (0 for keys the library does not know).
int vbKeyCode(const QKeyEvent* event);
// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
int vbShift(const QKeyEvent* event);

} // namespace quendarx
