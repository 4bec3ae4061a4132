// The input-control helper on plain widgets: focus colours by Tag, Enter and the arrows
// as Tab, the keypad's decimal key, the list-box and combo-box aids, VaciarTxt.
#include "controls/ClCntrl.h"
#include "controls/Form.h"
#include "platform/QStringPrinter.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace quendarx::test {
namespace {

const QColor kGreen(0xC0, 0xFF, 0xC0);
const QColor kPeach(0xFE, 0xE4, 0xD6);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kYellow(0xFF, 0xFF, 0x00);

// A window with three linked text boxes a, b, c (in that tab order) and a list.
struct Panel {
    QDialog window;
    std::vector<QLineEdit*> boxes;
    QListWidget* list;
    std::vector<std::unique_ptr<ClCntrl>> helpers;

    explicit Panel(const QString& tagOfA = {}) {
        auto* layout = new QVBoxLayout(&window);
        for (const char* name : {"a", "b", "c"}) {
            auto* box = new QLineEdit(QStringLiteral("12,50"), &window);
            box->setObjectName(QLatin1String(name));
            setBackColor(box, kYellow);
            layout->addWidget(box);
            boxes.push_back(box);
        }
        list = new QListWidget(&window);
        list->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(list);
        setTag(boxes[0], tagOfA);
        for (QLineEdit* box : boxes) {
            helpers.push_back(std::make_unique<ClCntrl>());
            helpers.back()->sLinkText(box);
        }
        boxes[2]->setFocus();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QString focused() const {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QStringLiteral("(none)");
    }
    void settle() { QTest::qWait(1); }
};

TEST(ClCntrlTest, FocusColoursFollowTheTag) {
    struct Case {
        QString tag;
        QColor entered, left;
        bool selects;
    };
    const Case cases[] = {
        {QString(), kGreen, kWhite, true},
        {QStringLiteral("X#F6"), kPeach, kWhite, true},
        {QStringLiteral("BB#F6"), kPeach, kPeach, true},
        {QStringLiteral("BB1"), kYellow, kYellow, false},
        {QStringLiteral("#F6x"), kGreen, kWhite, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag.toStdString());
        Panel p(c.tag);
        QLineEdit* a = p.boxes[0];
        a->setFocus(Qt::OtherFocusReason);
        p.settle();
        EXPECT_EQ(backColor(a), c.entered);
        EXPECT_EQ(a->selectedText(), c.selects ? QStringLiteral("12,50") : QString());
        p.boxes[1]->setFocus(Qt::OtherFocusReason);
        p.settle();
        EXPECT_EQ(backColor(a), c.left);
        EXPECT_EQ(backColor(p.boxes[1]), kGreen);
    }
}

TEST(ClCntrlTest, AClickIntoABoxStillSelectsTheWholeText) {
    Panel p;
    QTest::mouseClick(p.boxes[0], Qt::LeftButton, {}, QPoint(3, 3));
    p.settle();
    EXPECT_EQ(p.focused(), QStringLiteral("a"));
    EXPECT_EQ(p.boxes[0]->selectedText(), QStringLiteral("12,50"));
}

TEST(ClCntrlTest, TypingRightAfterTheFocusArrivesIsKept) {
    Panel p;
    for (Qt::FocusReason reason : {Qt::OtherFocusReason, Qt::ActiveWindowFocusReason, Qt::TabFocusReason}) {
        p.boxes[1]->setFocus(reason);
        QTest::keyClick(p.boxes[1], Qt::Key_7); // replaces the selected text at once
        p.settle();
        QTest::keyClick(p.boxes[1], Qt::Key_8);
        EXPECT_EQ(p.boxes[1]->text(), QStringLiteral("78")) << reason;
        p.boxes[1]->setText(QStringLiteral("12,50"));
        p.boxes[0]->setFocus();
    }
}

TEST(ClCntrlTest, EnterAndArrowsMoveLikeTab) {
    struct Case {
        int from;
        Qt::Key key;
        const char* to;
    };
    const Case cases[] = {
        {0, Qt::Key_Return, "b"}, {1, Qt::Key_Enter, "c"}, {2, Qt::Key_Return, "a"},
        {1, Qt::Key_Down, "c"},   {2, Qt::Key_Down, "a"},  {1, Qt::Key_Up, "a"},
        {0, Qt::Key_Up, "c"},
    };
    Panel p;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " key " << c.key);
        QLineEdit* from = p.boxes[std::size_t(c.from)];
        from->setFocus(Qt::OtherFocusReason);
        QSignalSpy entered(from, &QLineEdit::returnPressed);
        QTest::keyClick(from, c.key);
        p.settle();
        EXPECT_EQ(p.focused(), QLatin1String(c.to));
        EXPECT_EQ(entered.count(), 0);
        EXPECT_EQ(from->text(), QStringLiteral("12,50"));
        // The box that received the focus is highlighted with its text selected.
        auto* to = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(to, nullptr);
        EXPECT_EQ(backColor(to), kGreen);
        EXPECT_EQ(to->selectedText(), QStringLiteral("12,50"));
        EXPECT_EQ(backColor(from), kWhite);
    }
}

TEST(ClCntrlTest, KeypadDecimalTypesTheLocaleSeparator) {
    struct Case {
        QLocale locale;
        Qt::KeyboardModifiers modifiers;
        const char* typed;
    };
    const Case cases[] = {
        {esAR(), Qt::KeypadModifier, "12,5"},
        {esAR(), Qt::NoModifier, "12.5"},
        {enUS(), Qt::KeypadModifier, "12.5"},
        {enUS(), Qt::NoModifier, "12.5"},
    };
    for (const Case& c : cases) {
        ScopedLocale locale(c.locale);
        Panel p;
        QLineEdit* box = p.boxes[0];
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, QStringLiteral("12"));
        QTest::keyPress(box, Qt::Key_Period, c.modifiers);
        EXPECT_EQ(p.helpers[0]->bTeclaDecimal(), c.modifiers == Qt::KeypadModifier);
        QTest::keyRelease(box, Qt::Key_Period, c.modifiers);
        EXPECT_FALSE(p.helpers[0]->bTeclaDecimal());
        QTest::keyClick(box, Qt::Key_5);
        EXPECT_EQ(box->text(), QLatin1String(c.typed)) << c.locale.name().toStdString();
        // Once the keypad key is up, the main keyboard's full stop is a full stop again.
        QTest::keyClick(box, Qt::Key_Period);
        EXPECT_TRUE(box->text().endsWith(QLatin1Char('.')));
    }
}

TEST(ClCntrlTest, DecimalSeparatorIsTheLocales) {
    RecordingMessageBoxes boxes;
    for (const auto& [locale, separator] : {std::pair{esAR(), ","}, std::pair{enUS(), "."}}) {
        ScopedLocale scope(locale);
        ClCntrl helper;
        EXPECT_EQ(helper.sDecimal(), QLatin1String(separator));
        EXPECT_EQ(helper.Separador_Decimal(), QLatin1String(separator));
        EXPECT_EQ(helper.Obtener_Sep_Decim(), QLatin1String(separator));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(ClCntrlTest, RelinkingDropsThePreviousBox) {
    Panel p;
    ClCntrl& helper = *p.helpers[0];
    helper.sLinkText(p.boxes[1]); // a is now unlinked; b has two helpers
    p.boxes[0]->setFocus();
    p.settle();
    EXPECT_EQ(backColor(p.boxes[0]), kYellow);
    QTest::keyClick(p.boxes[0], Qt::Key_Return);
    EXPECT_EQ(p.focused(), QStringLiteral("a"));
}

TEST(ClCntrlTest, FindByPrefixInListAndCombo) {
    struct Case {
        const char* value;
        int index;
    };
    const Case cases[] = {{"ab", 1}, {"AB", 1}, {"abd", 2}, {"ze", 0}, {"", 0}, {"q", -1}, {"abcd", -1}};
    QListWidget list;
    QComboBox combo;
    const QStringList items{QStringLiteral("Zeta"), QStringLiteral("ABC"), QStringLiteral("abd")};
    list.addItems(items);
    combo.addItems(items);
    ClCntrl helper;
    helper.sLinkListBox(&list);
    helper.sLinkCBoBox(&combo);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        list.setCurrentRow(2);
        combo.setCurrentIndex(2);
        helper.LstBuscarStr(QLatin1String(c.value));
        helper.BuscarCBO(QLatin1String(c.value));
        EXPECT_EQ(list.currentRow(), c.index);
        EXPECT_EQ(list.selectedItems().size(), c.index < 0 ? 0 : 1);
        EXPECT_EQ(combo.currentIndex(), c.index);
    }
}

TEST(ClCntrlTest, ListTooltipShowsTheItemUnderThePointer) {
    Panel p;
    p.list->addItems({QStringLiteral("primero"), QStringLiteral("segundo")});
    ClCntrl helper;
    helper.sLinkListBox(p.list);
    QWidget* view = p.list->viewport();
    auto move = [&](QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)),
                          Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
        return p.list->toolTip();
    };
    const QPoint second = p.list->visualItemRect(p.list->item(1)).center();
    const QPoint below = p.list->visualItemRect(p.list->item(1)).bottomLeft() + QPoint(2, 8);
    EXPECT_EQ(move(second, Qt::NoButton), QStringLiteral("segundo"));
    EXPECT_EQ(move(second, Qt::LeftButton), QStringLiteral("segundo"));
    EXPECT_EQ(move(below, Qt::LeftButton), QStringLiteral("segundo")); // a button held: nothing
    EXPECT_EQ(move(below, Qt::NoButton), QString());
    p.list->clear();
    EXPECT_EQ(move(second, Qt::NoButton), QString());
}

TEST(ClCntrlTest, TwipsBackToPixelsRoundHalfToEven) {
    const std::pair<double, int> cases[] = {{0, 0},    {7.5, 0},   {22.5, 2},  {30, 2},
                                            {337.5, 22}, {352.5, 24}, {-22.5, -2}, {22.6, 2}};
    for (const auto& [twips, pixels] : cases)
        EXPECT_EQ(twipsToPixelsHalfEven(twips, 15), pixels) << twips;
}

TEST(ClCntrlTest, VaciarTxtEmptiesOnlyTextBoxes) {
    QDialog window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("Etiqueta"), &window);
    auto* box1 = new QLineEdit(QStringLiteral("uno"), &window);
    auto* box2 = new QLineEdit(QStringLiteral("dos"), &window);
    auto* combo = new QComboBox(&window);
    combo->setEditable(true);
    combo->addItem(QStringLiteral("tres"));
    for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(box1),
                       static_cast<QWidget*>(box2), static_cast<QWidget*>(combo)})
        layout->addWidget(w);
    ClCntrl().VaciarTxt(&window);
    EXPECT_EQ(box1->text(), QString());
    EXPECT_EQ(box2->text(), QString());
    EXPECT_EQ(label->text(), QStringLiteral("Etiqueta"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("tres"));
}

} // namespace
} // namespace quendarx::test
