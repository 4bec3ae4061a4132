#include "platform/MessageBoxes.h"
#include "platform/GuiApplication.h"
#include "platform/QtTexts.h"
#include "platform/RuntimeError.h"
#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <atomic>

namespace quendarx {

namespace {

std::atomic<MessageBoxHandler*> installedHandler{nullptr};

bool isYesNo(int style) { return (style & 7) == vbYesNo; }

QMessageBox::Icon iconOf(int style) {
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// A box with a short text is narrower than its title and the window manager's buttons:
// it is widened so that the title shows whole.
void keepTitleWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int room = 160; // the frame's buttons and margins
    const int width = QFontMetrics(QApplication::font()).horizontalAdvance(box.windowTitle()) + room;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// The answer of a box that nobody can see: OK, or No to a question, as when the box is
// closed without a choice; a deletion is never confirmed on nobody's behalf.
int unseenAnswer(const QString& text, int style, const QString& reason) {
    const int answer = isYesNo(style) ? vbNo : vbOK;
    logMessage(QStringLiteral("message box not shown, %1; answered %2: %3")
                   .arg(reason, answer == vbNo ? QStringLiteral("No") : QStringLiteral("OK"), text));
    return answer;
}

// The box shown and waited for. The host's QApplication serves, else one is made for the
// first box as for the first screen; a host that cannot show windows gets the box in the
// log and its answer without waiting.
int showQtBox(const QString& text, int style) {
    QString reason;
    if (prepareGuiApplication(&reason) != GuiAvailability::Ready)
        return unseenAnswer(text, style, reason);
    QMessageBox box(iconOf(style), QString(), text, QMessageBox::NoButton, QApplication::activeWindow());
    const QString name = QCoreApplication::applicationName();
    box.setWindowTitle(name.isEmpty() ? QStringLiteral("Quendarx") : name);
    if (isYesNo(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((style & 256) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    translateButtons(box);
    keepTitleWhole(box);
    box.setWindowModality(Qt::ApplicationModal);
    if (style & vbSystemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int answer = box.exec();
    if (!isYesNo(style))
        return vbOK;
    return answer == QMessageBox::Yes ? vbYes : vbNo;
}

} // namespace

int MessageBoxes::show(const QString& text, int style) {
    if (MessageBoxHandler* h = installedHandler.load())
        return h->show(text, style);
    return showQtBox(text, style);
}

void MessageBoxes::setHandler(MessageBoxHandler* handler) { installedHandler.store(handler); }

MessageBoxHandler* MessageBoxes::handler() { return installedHandler.load(); }

} // namespace quendarx
