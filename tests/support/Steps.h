#pragma once
// Steps played against screens that run event loops of their own, polled from a timer
// that keeps running inside those loops: each step waits until its screen is ready.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

namespace quendarx::test {

class Steps {
public:
    Steps() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    }
    Steps& then(std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(ready), std::move(act)});
        return *this;
    }
    // Runs `open` while the steps are played. A step that waits `seconds` in vain ends the
    // flow: the open dialogs are dismissed and run() returns false.
    bool run(const std::function<void()>& open, int seconds = 20) {
        patience_ = seconds * 1000;
        progress_.start();
        timer_.start();
        opening_ = true;
        open();
        opening_ = false;
        while (!finished() && !gaveUp_)
            QTest::qWait(20);
        timer_.stop();
        return finished() && !gaveUp_;
    }
    int stalledAt() const { return static_cast<int>(next_); }

private:
    bool finished() const { return next_ >= steps_.size(); }
    void poll() {
        if (finished() && !opening_) {
            timer_.stop();
            return;
        }
        // A flow that ends with its screen still open waits like a step that never comes.
        if (finished() || !steps_[next_].ready()) {
            if (progress_.elapsed() > patience_) {
                gaveUp_ = true;
                timer_.stop();
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->isVisible())
                        dialog->reject();
            }
            return;
        }
        const std::function<void()> act = steps_[next_].act;
        ++next_; // before acting: an act may open a nested event loop that polls again
        progress_.restart();
        act();
    }

    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer progress_;
    int patience_ = 20000;
    bool gaveUp_ = false;
    bool opening_ = false; // run()'s `open` has not returned yet
};

} // namespace quendarx::test
