#include "platform/Keys.h"
#include <QKeyEvent>

namespace quendarx {

int vbKeyCode(const QKeyEvent* event) {
    if (!event)
        return 0;
    const int key = event->key();
    const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
    if (keypad) {
        if (key == Qt::Key_Period || key == Qt::Key_Comma)
            return vbKeyDecimal;
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return 96 + (key - Qt::Key_0); // the keypad's own digit codes
        switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Slash:
            return 111;
        default:
            break;
        }
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // Qt's codes for digits and letters are their ASCII uppercase codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F16)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vbKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vbKeyReturn;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return vbKeyEscape;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return vbKeyUp;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return vbKeyDown;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return vbKeyDelete;
    case Qt::Key_Comma:
        return 188;
    case Qt::Key_Minus:
        return 189;
    case Qt::Key_Period:
        return vbKeyPeriod;
    default:
        return 0;
    }
}

int vbShift(const QKeyEvent* event) {
    if (!event)
        return 0;
    const Qt::KeyboardModifiers m = event->modifiers();
    int shift = 0;
    if (m.testFlag(Qt::ShiftModifier) || event->key() == Qt::Key_Backtab)
        shift |= 1;
    if (m.testFlag(Qt::ControlModifier))
        shift |= 2;
    if (m.testFlag(Qt::AltModifier))
        shift |= 4;
    return shift;
}

} // namespace quendarx
