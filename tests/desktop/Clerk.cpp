#include "Clerk.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QWidget>

namespace quendarx::test {

namespace {

QStringList g_messages;
QStringList g_buttons;
bool g_titlesWhole = true;

// Notes the text of every message box as it appears.
class MessageWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                g_messages << box->text();
                QStringList texts;
                for (QAbstractButton* button : box->buttons())
                    texts << button->text();
                g_buttons << texts.join(u'|');
                // Room for the title and the frame's buttons beside it.
                const int title = QFontMetrics(QApplication::font()).horizontalAdvance(box->windowTitle());
                g_titlesWhole = g_titlesWhole && box->width() >= title + 100;
            }
        return false;
    }
};

} // namespace

Clerk::Clerk() {
    static MessageWatch* watch = [] {
        auto* w = new MessageWatch;
        qApp->installEventFilter(w);
        return w;
    }();
    (void)watch;
    timer_.setInterval(40);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
}

Clerk& Clerk::when(std::function<bool()> ready, QStringList xdotool) {
    steps_.push_back({std::move(ready), std::move(xdotool), {}});
    return *this;
}

Clerk& Clerk::then(std::function<bool()> ready, std::function<void()> look) {
    steps_.push_back({std::move(ready), {}, std::move(look)});
    return *this;
}

void Clerk::poll() {
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
    Step& step = steps_[next_];
    ++next_; // before acting: a look may open a nested event loop that polls again
    progress_.restart();
    if (!step.xdotool.isEmpty())
        QProcess::execute(QStringLiteral("xdotool"), step.xdotool);
    if (step.look)
        step.look();
}

bool Clerk::run(const std::function<void()>& open, int seconds) {
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
bool typingInto(const QWidget* control) { return control && control->isActiveWindow() && control->hasFocus(); }

bool messageShown(const QString& text) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isActiveWindow() && box->text() == text;
}

QStringList shownMessages() { return g_messages; }
QStringList shownButtons() { return g_buttons; }
bool titlesWhole() { return g_titlesWhole; }
void forgetMessages() {
    g_messages.clear();
    g_buttons.clear();
    g_titlesWhole = true;
}

} // namespace quendarx::test
