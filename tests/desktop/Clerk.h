#pragma once
// A clerk at the keyboard of a real X desktop: each step waits until the screen is ready
// for it, then types through the X server with xdotool, so the keys pass the window
// manager as a person's do.
#include "support/Steps.h"
#include <QStringList>

class QWidget;

namespace quendarx::test {

class Clerk : public Steps {
public:
    Clerk();
    // Waits until `ready` holds, then types the xdotool arguments ("key F11", "type 12").
    Clerk& when(std::function<bool()> ready, QStringList xdotool);
    // Waits until `ready` holds, then runs `look` (to note what the screen shows).
    Clerk& then(std::function<bool()> ready, std::function<void()> look) {
        Steps::then(std::move(ready), std::move(look));
        return *this;
    }
};

// The window that has the X input focus is `control`'s, and `control` has the keyboard in it.
bool typingInto(const QWidget* control);
// A message box is up, active, and shows `text`.
bool messageShown(const QString& text);
// The texts of the message boxes shown so far (watched from the whole application).
QStringList shownMessages();
// Their buttons' texts, joined by '|', one entry per box.
QStringList shownButtons();
// Every box shown so far was wide enough for its title beside the frame's buttons.
bool titlesWhole();
void forgetMessages();

} // namespace quendarx::test
