#include "ScreenDriver.h"
#include "ScreenActions.h"
#include "script/ScriptError.h"
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace quendarx::host {

namespace {
constexpr qint64 kIdleLimitMs = 120000; // a screen that never settles is reported, not waited on
}

ScreenDriver::ScreenDriver(Transcript& transcript, Fail fail) : transcript_(transcript), fail_(std::move(fail)) {
    ScreenObserver::set(this);
}

ScreenDriver::~ScreenDriver() {
    if (ScreenObserver::current() == this)
        ScreenObserver::set(nullptr);
}

void ScreenDriver::queue(const QString& screen, std::vector<Action> actions, int line) {
    queues_[screen].push_back(Queued{std::move(actions), line});
}

void ScreenDriver::screenShown(Form& form) {
    transcript_.write(QStringLiteral("SHOW ") + form.name());
    auto showing = std::make_shared<Showing>();
    showing->form = &form;
    showing->window = form.window();
    auto& queued = queues_[form.name()];
    if (!queued.empty()) {
        showing->actions.assign(queued.front().actions.begin(), queued.front().actions.end());
        showing->line = queued.front().line;
        queued.pop_front();
    }
    open_.push_back(showing);
    scheduleStep(showing);
}

void ScreenDriver::screenClosed(Form& form) {
    transcript_.write(QStringLiteral("CLOSE ") + form.name());
    for (auto it = open_.begin(); it != open_.end(); ++it) {
        if ((*it)->form == &form) {
            (*it)->closed = true;
            open_.erase(it);
            break;
        }
    }
}

void ScreenDriver::scheduleStep(const std::shared_ptr<Showing>& showing) {
    if (!showing->window)
        return;
    showing->stepPending = true;
    // The window is the timer's context: a screen that goes away takes its steps along.
    QTimer::singleShot(0, showing->window.data(), [this, showing] { step(showing); });
}

void ScreenDriver::step(const std::shared_ptr<Showing>& showing) {
    showing->stepPending = false;
    if (showing->closed || !showing->window)
        return;
    if (showing->actions.empty()) {
        finish(showing);
        return;
    }
    activateScreen(*showing->form);
    const Action action = showing->actions.front();
    showing->actions.pop_front();
    QStringList dump;
    try {
        // A key that opens a modal screen returns here only once that screen has closed.
        runAction(*showing->form, action, &dump);
    } catch (const ScriptError& error) {
        fail_(showing->line, error.message());
    }
    for (const QString& line : dump)
        transcript_.write(line);
    if (showing->closed || !showing->window)
        return;
    // The next action, or (actions used up) the check whether the screen is still open.
    scheduleStep(showing);
}

// The screen's actions are used up. A modal screen still open was left without a script:
// it is reported and closed with Escape. A modeless one may stay open.
void ScreenDriver::finish(const std::shared_ptr<Showing>& showing) {
    QDialog* window = showing->window;
    const bool modal = window->isModal() || window->windowModality() != Qt::NonModal;
    if (!modal)
        return;
    transcript_.write(QStringLiteral("UNSCRIPTED ") + showing->form->name());
    unscripted_ = true;
    closeWithEscape(showing);
}

void ScreenDriver::closeWithEscape(const std::shared_ptr<Showing>& showing) {
    activateScreen(*showing->form);
    pressKey(*showing->form, KeyName::Escape);
    if (showing->closed || !showing->window)
        return;
    // Still open a turn later: the screen ignored Escape; unload it so the run goes on.
    QTimer::singleShot(0, showing->window.data(), [showing] {
        if (showing->closed || !showing->window)
            return;
        std::fprintf(stderr, "quendarx-host: %s did not close on Escape; unloading it\n",
                     qPrintable(showing->form->name()));
        showing->form->unload();
    });
}

bool ScreenDriver::busy() const {
    for (const auto& showing : open_)
        if (!showing->closed && showing->window && (showing->stepPending || !showing->actions.empty()))
            return true;
    return false;
}

void ScreenDriver::runUntilIdle() {
    QElapsedTimer timer;
    timer.start();
    while (busy()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (timer.elapsed() > kIdleLimitMs) {
            std::fprintf(stderr, "quendarx-host: screens still busy after %lld ms; going on\n",
                         static_cast<long long>(timer.elapsed()));
            break;
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ScreenDriver::closeAll() {
    runUntilIdle();
    const auto showings = open_;
    for (const auto& showing : showings) {
        if (showing->closed || !showing->window)
            continue;
        showing->actions.clear();
        closeWithEscape(showing);
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::map<QString, int> ScreenDriver::unusedQueues() const {
    std::map<QString, int> unused;
    for (const auto& [screen, queued] : queues_)
        if (!queued.empty())
            unused[screen] = static_cast<int>(queued.size());
    return unused;
}

} // namespace quendarx::host
