#include "Clerk.h"
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QProcess>
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
}

Clerk& Clerk::when(std::function<bool()> ready, QStringList xdotool) {
    Steps::then(std::move(ready), [xdotool] { QProcess::execute(QStringLiteral("xdotool"), xdotool); });
    return *this;
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
