// The input-control helper on the text boxes of plain widgets. The focus colours and the
// keypad's decimal key in both locales are in the host scripts registration and modify.
#include "controls/ClCntrl.h"
#include "controls/Form.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace quendarx::test {
namespace {

const QColor kWhite(0xFF, 0xFF, 0xFF), kYellow(0xFF, 0xFF, 0x00);

// A window with three linked text boxes a, b, c (in that tab order).
struct Panel {
    QDialog window;
    std::vector<QLineEdit*> boxes;
    std::vector<std::unique_ptr<ClCntrl>> helpers;

    Panel() {
        auto* layout = new QVBoxLayout(&window);
        for (const char* name : {"a", "b", "c"}) {
            auto* box = new QLineEdit(QStringLiteral("12,50"), &window);
            box->setObjectName(QLatin1String(name));
            setBackColor(box, kYellow);
            layout->addWidget(box);
            boxes.push_back(box);
            helpers.push_back(std::make_unique<ClCntrl>());
            helpers.back()->sLinkText(box);
        }
        boxes[2]->setFocus();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QString focused() const { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : ""; }
};

// Enter and the arrows move as Tab does, round the ends of the tab order, and the box left
// loses its colour; a click selects the whole text, and a key typed right after the focus
// arrives replaces it and is kept.
TEST(ClCntrl, KeysAndClicksMoveTheFocusAndSelect) {
    const std::tuple<int, Qt::Key, const char*> cases[] = {
        {0, Qt::Key_Return, "b"}, {1, Qt::Key_Enter, "c"}, {2, Qt::Key_Return, "a"}, {1, Qt::Key_Down, "c"},
        {2, Qt::Key_Down, "a"},   {1, Qt::Key_Up, "a"},    {0, Qt::Key_Up, "c"},
    };
    Panel p;
    for (const auto& [from, key, to] : cases) {
        SCOPED_TRACE(testing::Message() << from << " key " << key);
        QLineEdit* box = p.boxes[std::size_t(from)];
        box->setFocus(Qt::OtherFocusReason);
        QSignalSpy entered(box, &QLineEdit::returnPressed);
        QTest::keyClick(box, key);
        QTest::qWait(1);
        EXPECT_EQ(p.focused(), QLatin1String(to));
        EXPECT_EQ(entered.count(), 0);
        EXPECT_EQ(box->text(), QStringLiteral("12,50"));
        EXPECT_EQ(backColor(box), kWhite);
    }
    QTest::mouseClick(p.boxes[0], Qt::LeftButton, {}, QPoint(3, 3));
    QTest::qWait(1);
    EXPECT_EQ(p.focused(), "a");
    EXPECT_EQ(p.boxes[0]->selectedText(), QStringLiteral("12,50"));
    for (Qt::FocusReason reason : {Qt::OtherFocusReason, Qt::ActiveWindowFocusReason, Qt::TabFocusReason}) {
        p.boxes[1]->setFocus(reason);
        QTest::keyClick(p.boxes[1], Qt::Key_7);
        QTest::qWait(1);
        QTest::keyClick(p.boxes[1], Qt::Key_8);
        EXPECT_EQ(p.boxes[1]->text(), QStringLiteral("78")) << reason;
        p.boxes[1]->setText(QStringLiteral("12,50"));
        p.boxes[0]->setFocus();
    }
    // Back in the window (after a message box, say), the value stays as the clerk left it.
    QTest::qWait(1);
    p.boxes[0]->end(false);
    for (const auto type : {QEvent::FocusOut, QEvent::FocusIn}) {
        QFocusEvent event(type, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(p.boxes[0], &event);
    }
    QTest::keyClick(p.boxes[0], Qt::Key_9);
    EXPECT_EQ(p.boxes[0]->text(), QStringLiteral("12,509"));
}

} // namespace
} // namespace quendarx::test
