#pragma once
// A clerk at the keyboard of a real X desktop: each step waits until the screen is ready
// for it, then types through the X server with xdotool, so the keys pass the window
// manager as a person's do. Steps are polled from a timer, which keeps running inside the
// screens' and message boxes' own event loops.
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace quendarx::test {

class Clerk {
public:
    Clerk();
    // Waits until `ready` holds, then types the xdotool arguments ("key F11", "type 12").
    Clerk& when(std::function<bool()> ready, QStringList xdotool);
    // Waits until `ready` holds, then runs `look` (to note what the screen shows).
    Clerk& then(std::function<bool()> ready, std::function<void()> look);
    // Runs `open` (which may block in a screen's own loop) while the steps are played, then
    // waits for the remaining steps. A step that waits `seconds` in vain ends the flow: the
    // open dialogs are dismissed and run() returns false.
    bool run(const std::function<void()>& open, int seconds = 20);
    bool finished() const { return next_ >= steps_.size(); }
    // The step that was still waiting when run() gave up.
    int stalledAt() const { return static_cast<int>(next_); }

private:
    struct Step {
        std::function<bool()> ready;
        QStringList xdotool;
        std::function<void()> look;
    };
    void poll();
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer progress_;
    int patience_ = 20000;
    bool gaveUp_ = false;
    bool opening_ = false; // run()'s `open` has not returned yet
};

// The window that has the X input focus is `window`, and `control` has the keyboard in it.
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
