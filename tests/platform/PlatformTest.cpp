// The real message box each style asks for, and the key codes the key handlers see.
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quendarx;

TEST(MessageBoxes, theQtBoxFollowsTheStyle) {
    const struct Case {
        int style;
        QMessageBox::StandardButton answer;
        int result;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        bool onTop;
    } cases[] = {
        {vbYesNo + vbQuestion, QMessageBox::No, vbNo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, false},
        {vbYesNo, QMessageBox::Yes, vbYes, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No, false},
        {vbCritical + vbSystemModal, QMessageBox::Ok, vbOK, QMessageBox::Critical, QMessageBox::Ok, true},
        {vbExclamation, QMessageBox::Ok, vbOK, QMessageBox::Warning, QMessageBox::Ok, false},
        {vbInformation, QMessageBox::Ok, vbOK, QMessageBox::Information, QMessageBox::Ok, false},
    };
    ASSERT_EQ(MessageBoxes::handler(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            EXPECT_EQ(box->text(), QStringLiteral("¿Borrar?"));
            EXPECT_FALSE(box->windowTitle().isEmpty());
            EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.onTop);
            box->button(c.answer)->click();
        });
        EXPECT_EQ(MessageBoxes::show(QStringLiteral("¿Borrar?"), c.style), c.result);
        EXPECT_TRUE(seen);
    }
}

// The codes the key handlers compare with; a keypad's decimal key is the decimal key whichever mark
// it carries.
TEST(Keys, codesAsTheKeyHandlersKnowThem) {
    const struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int code, shift;
    } cases[] = {{Qt::Key_Enter, Qt::KeypadModifier, 13, 0},   {Qt::Key_F11, Qt::NoModifier, 122, 0},
                 {Qt::Key_Down, Qt::ControlModifier, 40, 2},   {Qt::Key_Backtab, Qt::NoModifier, 9, 1},
                 {Qt::Key_Period, Qt::KeypadModifier, 110, 0}, {Qt::Key_Comma, Qt::KeypadModifier, 110, 0},
                 {Qt::Key_Period, Qt::NoModifier, 190, 0},     {Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier, 65, 5},
                 {Qt::Key_F24, Qt::NoModifier, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(vbKeyCode(&event), c.code);
        EXPECT_EQ(vbShift(&event), c.shift);
    }
}

// A run-time error is described in the language of the regional settings in force when it is
// raised: Spanish under any Spanish locale, English under every other; a detail takes the place of
// the description's closing full stop.
TEST(RuntimeErrors, areDescribedInTheLanguageOfTheRegionalSettings) {
    const QString spanish[] = {QStringLiteral("13 - No coinciden los tipos\r\n\r\n[x]"),
                               QStringLiteral("3265 - No se encontró el elemento en la colección que "
                                              "corresponde al "
                                              "nombre o al ordinal solicitado: INTDSC\r\n\r\n[x]")};
    const QString english[] = {QStringLiteral("13 - Type mismatch\r\n\r\n[x]"),
                               QStringLiteral("3265 - Item cannot be found in the collection corresponding to the "
                                              "requested name or ordinal: INTDSC\r\n\r\n[x]")};
    for (const QLocale& locale : {test::esAR(), QLocale(QLocale::Spanish, QLocale::Spain), test::enUS(),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        SCOPED_TRACE(locale.name().toStdString());
        ScopedLocale scope(locale);
        const QString* expected = locale.language() == QLocale::Spanish ? spanish : english;
        try {
            (void)Regional::toInt16(QStringLiteral("abc"));
            ADD_FAILURE() << "nothing raised";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(errorReportText(error, QStringLiteral("[x]")), expected[0]);
        }
        const RuntimeError missing(StandardError::ItemNotFound, QStringLiteral("INTDSC"));
        EXPECT_EQ(errorReportText(missing, QStringLiteral("[x]")), expected[1]);
    }
}
