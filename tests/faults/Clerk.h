#pragma once
// The clerk at the keyboard, for the tests and the worker process: fills boxes, presses F11.
#include "controls/Form.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <functional>
#include <utility>
#include <vector>

namespace quendarx::test {

using BoxTexts = std::vector<std::pair<QString, QString>>;

// Shows the screen, puts each text in its box (as a paste would), runs `beforeF11`, presses
// F11 in the first box and closes the screen if still open. True when it closed itself (saved).
inline bool pressF11(Form& screen, const BoxTexts& texts, const std::function<void(Form&)>& beforeF11 = {}) {
    screen.showModeless();
    for (const auto& [box, text] : texts)
        screen.textBox(box)->setText(text);
    if (beforeF11)
        beforeF11(screen);
    QKeyEvent f11(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QApplication::sendEvent(screen.textBox(texts.front().first), &f11);
    const bool saved = !screen.isLoaded();
    if (!saved)
        screen.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return saved;
}

} // namespace quendarx::test
