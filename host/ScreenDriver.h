#pragma once
// Plays the clerk at the keyboard: told of every screen the library shows, it writes
// SHOW/CLOSE and runs the actions the script queued for that showing, one per turn of
// the event loop, so that a modal screen's own loop is running when they arrive.
#include "controls/Form.h"
#include "script/Commands.h"
#include "script/Transcript.h"
#include <QPointer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QDialog;

namespace quendarx::host {

class ScreenDriver : public ScreenObserver {
public:
    // fail(line, message) reports a script error found while running an action (the
    // line of its `when`); it does not return.
    using Fail = std::function<void(int line, const QString& message)>;
    ScreenDriver(Transcript& transcript, Fail fail);
    ~ScreenDriver() override;

    // The actions for the next showing of the screen not yet served.
    void queue(const QString& screen, std::vector<Action> actions, int line);

    void screenShown(Form& form) override;
    void screenClosed(Form& form) override;

    // Lets the event loop run until no open screen has actions left to run.
    void runUntilIdle();
    // Closes every screen still open with Escape (the end of the script).
    void closeAll();

    // Whether a modal screen had to be closed because nothing was scripted for it.
    bool hadUnscripted() const { return unscripted_; }
    // Showings queued with `when` that no screen used, per screen.
    std::map<QString, int> unusedQueues() const;

private:
    struct Showing {
        Form* form = nullptr;
        QPointer<QDialog> window;
        std::deque<Action> actions;
        int line = 0;
        bool closed = false;
        bool stepPending = false;
    };
    struct Queued {
        std::vector<Action> actions;
        int line = 0;
    };

    void scheduleStep(const std::shared_ptr<Showing>& showing);
    void step(const std::shared_ptr<Showing>& showing);
    void finish(const std::shared_ptr<Showing>& showing);
    void closeWithEscape(const std::shared_ptr<Showing>& showing);
    bool busy() const;

    Transcript& transcript_;
    Fail fail_;
    std::map<QString, std::deque<Queued>> queues_;
    std::vector<std::shared_ptr<Showing>> open_;
    bool unscripted_ = false;
};

} // namespace quendarx::host
