// The platform layer: the real message box each style asks for, the key codes the key handlers
// see, run-time errors, and numbers and dates under a comma locale (es_AR) and a point locale
// (en_US).
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <vector>

using namespace quendarx;
using quendarx::test::enUS;
using quendarx::test::esAR;

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

// The codes the key handlers compare with, for keys the host scripts do not send (Enter, F11,
// the arrows, the period and the keypad's point are there): a keypad's decimal key is the
// decimal key whichever mark it carries.
TEST(Keys, codesAsTheKeyHandlersKnowThem) {
    const std::tuple<int, Qt::KeyboardModifiers, int> cases[] = {{Qt::Key_Comma, Qt::KeypadModifier, 110},
                                                                 {Qt::Key_Backtab, Qt::NoModifier, 9},
                                                                 {Qt::Key_F24, Qt::NoModifier, 0}};
    for (const auto& [key, modifiers, code] : cases) {
        const QKeyEvent event(QEvent::KeyPress, key, modifiers);
        EXPECT_EQ(vbKeyCode(&event), code) << key;
    }
}

// A run-time error is described in the language of the regional settings: Spanish under any
// Spanish locale, English under every other (es_AR and en_US: the host scripts); a detail takes
// the place of the description's closing full stop.
TEST(RuntimeErrors, areDescribedInTheLanguageOfTheRegionalSettings) {
    const std::pair<QLocale, QString> cases[] = {
        {QLocale(QLocale::Spanish, QLocale::Spain),
         QStringLiteral("3265 - No se encontró el elemento en la colección que corresponde al nombre o al ordinal "
                        "solicitado: INTDSC\r\n\r\n[x]")},
        {QLocale(QLocale::German, QLocale::Germany),
         QStringLiteral("3265 - Item cannot be found in the collection corresponding to the requested name or "
                        "ordinal: INTDSC\r\n\r\n[x]")},
    };
    for (const auto& [locale, expected] : cases) {
        ScopedLocale scope(locale);
        const RuntimeError missing(StandardError::ItemNotFound, QStringLiteral("INTDSC"));
        EXPECT_EQ(errorReportText(missing, QStringLiteral("[x]")), expected);
    }
}

// What each locale reads, and what it refuses (a mistyped point never makes 15).
TEST(Regional, readsNumbersAsTheLocaleWritesThem) {
    const struct {
        QLocale locale;
        std::vector<std::pair<const char*, double>> read;
        std::vector<const char*> refused;
    } cases[] = {
        {esAR(),
         {{"12,5", 12.5},
          {"1.234,5", 1234.5},
          {"1.500", 1500},
          {"12.345.678", 12345678},
          {"  -3,25 ", -3.25},
          {"3,25-", -3.25},
          {"+7", 7},
          {",5", 0.5},
          {"1,5E3", 1500},
          {"2e-2", 0.02}},
         {"1.5", "1.23,5", "1.2345", "1234.567", "1,2,3"}},
        {enUS(),
         {{"1.5", 1.5}, {"1,234.5", 1234.5}, {"-0.25", -0.25}, {"1E5", 100000}},
         {"1,5", "", "   ", "abc", "12a", "&H1F", "0x1F", "1E", "-", "--5", "-5-", "1 000"}},
    };
    for (const auto& c : cases) {
        ScopedLocale scope(c.locale);
        for (const auto& [text, value] : c.read) {
            SCOPED_TRACE(c.locale.name().toStdString() + " \"" + text + "\"");
            EXPECT_EQ(Regional::readNumber(QString::fromUtf8(text)), value);
        }
        for (const char* text : c.refused)
            EXPECT_EQ(Regional::readNumber(QString::fromUtf8(text)), std::nullopt) << text;
    }
}

// Patterns round half away from zero on the decimal value, under es_AR with its comma and under
// en_US with a point; a text is formatted only when it reads as a number. Rounding to cents without
// a text gives the same numbers.
TEST(Regional, formatsAndRoundsHalfAwayFromZeroOnTheDecimalValue) {
    const struct {
        double value;
        const char *pattern, *es;
        double cents;
    } cases[] = {{1.005, "00.00", "01,01", 1.01},
                 {2.675, "00.00", "02,68", 2.68},
                 {10.004, "00.00", "10,00", 10},
                 {-5.5, "00.00", "-05,50", -5.5},
                 {-0.005, "00.00", "-00,01", -0.01},
                 {-0.001, "00.00", "00,00", 0},
                 {-0.0, "00.00", "00,00", 0},
                 {-1234.25, "0.00", "-1234,25", -1234.25},
                 {99.995, "00.00", "100,00", 100},
                 {0.00005, "00.0000", "00,0001", 0},
                 {123456789.125, "0.00", "123456789,13", 123456789.13},
                 {7.5, "000", "008", 7.5},
                 {12345, "000", "12345", 12345},
                 {1e21, "000", "1000000000000000000000", 1e21}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " " + c.pattern);
        for (const QLocale& locale : {esAR(), enUS()}) {
            ScopedLocale scope(locale);
            QString expected = QString::fromUtf8(c.es);
            if (locale == enUS())
                expected.replace(',', '.');
            EXPECT_EQ(Regional::format(c.value, QString::fromLatin1(c.pattern)), expected);
            const auto cents = Regional::rounded(c.value, 2);
            ASSERT_TRUE(cents.has_value());
            EXPECT_EQ(*cents, c.cents);
            EXPECT_FALSE(std::signbit(*cents) && c.cents == 0) << "a negative zero";
        }
    }
    EXPECT_FALSE(Regional::rounded(std::numeric_limits<double>::infinity(), 2));
    ScopedLocale scope(esAR());
    EXPECT_EQ(Regional::formatText(QStringLiteral("5,125"), QStringLiteral("00.00")), "05,13");
    EXPECT_EQ(Regional::formatText(QStringLiteral("1.5"), QStringLiteral("00.00")), "1.5");
    EXPECT_EQ(Regional::generalNumber(12.5), "12,5");
    EXPECT_EQ(Regional::generalNumber(-0.0), "0");
    EXPECT_EQ(Regional::generalNumber(0.1 + 0.2), "0,30000000000000004");
    EXPECT_EQ(Regional::readNumber(Regional::generalNumber(1e-7)), 1e-7);
}

TEST(Regional, convertsToIntegersRoundingHalfToEven) {
    ScopedLocale scope(esAR());
    struct Case {
        bool wide;
        const char* text;
        int value, error; // error 0, 6 (Overflow) or 13 (Type mismatch)
    } cases[] = {
        {false, "2,5", 2, 0},         {false, "3,5", 4, 0},      {false, "-2,5", -2, 0}, {false, " 32767 ", 32767, 0},
        {false, "-32768", -32768, 0}, {true, "40000", 40000, 0}, {false, "40000", 0, 6}, {false, "32767,5", 0, 6},
        {true, "3000000000", 0, 6},   {false, "abc", 0, 13},     {false, "", 0, 13},     {true, "1.5", 0, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        try {
            EXPECT_EQ(c.wide ? Regional::toInt32(text) : Regional::toInt16(text), c.value);
            EXPECT_EQ(c.error, 0);
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, c.error);
            EXPECT_EQ(e.description, c.error == 6 ? "Desbordamiento" : "No coinciden los tipos");
        }
    }
}

TEST(Regional, readsDatesInTheLocaleOrder) {
    const struct {
        QLocale locale;
        std::vector<std::pair<const char*, const char*>> read; // text, ISO date and time
        std::vector<const char*> refused;
    } cases[] = {
        {esAR(),
         {{"5/12/26", "2026-12-05T00:00:00"},
          {"2024-03-15 08:05", "2024-03-15T08:05:00"},
          {"29/02/2024", "2024-02-29T00:00:00"},
          {"05-12-1999", "1999-12-05T00:00:00"},
          {"05.12.29", "2029-12-05T00:00:00"},
          {"05.12.30", "1930-12-05T00:00:00"},
          {"5/12/2026 10:30:15", "2026-12-05T10:30:15"},
          {"5 dic 2026", "2026-12-05T00:00:00"},
          {"10:30", "1899-12-30T10:30:00"}},
         {"29/02/2023", "31/02/2025", "5/12-26", "5/12/026", "5/13/2026", "5/12/2026 24:00", "abc", "", "12,5"}},
        {enUS(),
         {{"5/12/26", "2026-05-12T00:00:00"},
          {"2024-03-15", "2024-03-15T00:00:00"},
          {"12/5/2026 10:30 PM", "2026-12-05T22:30:00"},
          {"December 5, 2026", "2026-12-05T00:00:00"}},
         {"2/31/2025"}},
    };
    for (const auto& c : cases) {
        ScopedLocale scope(c.locale);
        for (const auto& [text, iso] : c.read) {
            SCOPED_TRACE(c.locale.name().toStdString() + " \"" + text + "\"");
            const auto value = Regional::readDate(QString::fromUtf8(text));
            EXPECT_EQ(value.value_or(QDateTime()).toString(Qt::ISODate), QString::fromLatin1(iso));
        }
        for (const char* text : c.refused)
            EXPECT_EQ(Regional::readDate(QString::fromUtf8(text)), std::nullopt) << text;
    }
}

TEST(Regional, generalLongAndPatternDates) {
    const QDateTime when(QDate(2026, 12, 5), QTime(10, 30, 0));
    {
        ScopedLocale scope(esAR());
        EXPECT_EQ(Regional::generalDate(when), "5/12/2026 10:30:00");
        EXPECT_EQ(Regional::generalDate(when.addDays(1)), "6/12/2026 10:30:00");
        EXPECT_EQ(Regional::generalDate(QDateTime(when.date(), QTime(0, 0))), "5/12/2026");
        EXPECT_EQ(Regional::generalDate(QDateTime(QDate(1899, 12, 30), QTime(7, 0, 1))), "07:00:01");
        EXPECT_EQ(Regional::longDate(when.date()), QStringLiteral("sábado, 5 de diciembre de 2026"));
    }
    ScopedLocale scope(enUS());
    EXPECT_EQ(Regional::generalDate(when), "12/5/2026 10:30:00");
    // Patterns, in the en_US locale left above.
    const QDateTime at(QDate(2026, 3, 7), QTime(9, 5, 4));
    EXPECT_EQ(Regional::formatDate(at, QStringLiteral("dd/mm/yyyy HH:MM:SS")), "07/03/2026 09:05:04");
    EXPECT_EQ(Regional::formatDateText(QStringLiteral("3/7/26"), QStringLiteral("dd/mm/yyyy")), "07/03/2026");
    EXPECT_EQ(Regional::formatDateText(QStringLiteral(" sin fecha "), QStringLiteral("dd/mm/yyyy")), " sin fecha ");
}

TEST(Clock, givesTheLocalTimeInWholeSecondsUnlessPinned) {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QDateTime now = Clock::now();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_EQ(now.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(now.time().msec(), 0);
    EXPECT_TRUE(before <= now && now <= after) << now.toString(Qt::ISODateWithMs).toStdString();
    Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30, 15, 700)));
    EXPECT_EQ(Clock::now(), QDateTime(QDate(2026, 12, 5), QTime(10, 30, 15)));
    Clock::release();

    // Released, it follows the system's clock into the next second.
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    while (QDateTime::currentSecsSinceEpoch() == second)
        QThread::msleep(20);
    EXPECT_GT(Clock::now().toSecsSinceEpoch(), second);
}
