// The error report, message boxes, the clock, key codes, the log and the printer seam.
#include "QStringPrinter.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Printers.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quendarx;

TEST(ErrorReport, textIsNumberDescriptionAndTag) {
    const RuntimeError error(13, QStringLiteral("Type mismatch"));
    const QString tag = QStringLiteral("Sección [QuendarxDLL.clcancelMain.Eliminar_Articulo]");
    EXPECT_EQ(
        errorReportText(error, tag),
        QStringLiteral(
            "13 - Type mismatch\r\n\r\nSección [QuendarxDLL.clcancelMain.Eliminar_Articulo]"));
    EXPECT_STREQ(error.what(), "13 - Type mismatch");

    test::RecordingMessageBoxes boxes;
    reportError(RuntimeError(-2147467259, QStringLiteral("no such table: X")), QStringLiteral("T"),
                4112);
    try {
        raiseInvalidUseOfNull();
    } catch (const RuntimeError& e) {
        reportError(e, QStringLiteral("U"));
    }
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].style, 4112);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("-2147467259 - no such table: X\r\n\r\nT"));
    EXPECT_EQ(boxes.shown[1].style, 16);
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("94 - Invalid use of Null\r\n\r\nU"));
}

TEST(MessageBoxes, aHandlerAnswersForAScopeAndNests) {
    test::RecordingMessageBoxes outer;
    outer.queueAnswer(vbYes);
    EXPECT_EQ(MessageBoxes::show(QStringLiteral("¿Borrar?"), vbYesNo + vbQuestion), vbYes);
    EXPECT_EQ(MessageBoxes::show(QStringLiteral("¿Otra vez?"), vbYesNo + vbQuestion), vbNo);
    {
        test::RecordingMessageBoxes inner;
        EXPECT_EQ(MessageBoxes::show(QStringLiteral("Hecho"), vbInformation), vbOK);
        EXPECT_EQ(inner.shown.size(), 1u);
    }
    EXPECT_EQ(MessageBoxes::handler(), &outer);
    EXPECT_EQ(outer.shown.size(), 2u);
}

namespace {
struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString title, text;
    bool onTop = false;
};

// Shows a real box and answers it by clicking `answer` once it is up.
int showQtBox(const QString& text, int style, QMessageBox::StandardButton answer, SeenBox& seen) {
    EXPECT_EQ(MessageBoxes::handler(), nullptr);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->icon(), box->standardButtons(), box->windowTitle(), box->text(),
                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)};
        box->button(answer)->click();
    });
    return MessageBoxes::show(text, style);
}
} // namespace

TEST(MessageBoxes, theQtBoxFollowsTheStyle) {
    SeenBox seen;
    EXPECT_EQ(showQtBox(QStringLiteral("¿Borrar?"), vbYesNo + vbQuestion, QMessageBox::No, seen),
              vbNo);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.text, QStringLiteral("¿Borrar?"));
    EXPECT_FALSE(seen.title.isEmpty());
    EXPECT_EQ(showQtBox(QStringLiteral("Sí"), vbYesNo, QMessageBox::Yes, seen), vbYes);

    EXPECT_EQ(showQtBox(QStringLiteral("Falla"), vbCritical + vbSystemModal, QMessageBox::Ok, seen),
              vbOK);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_TRUE(seen.onTop);
    showQtBox(QStringLiteral("Ojo"), vbExclamation, QMessageBox::Ok, seen);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_FALSE(seen.onTop);
    showQtBox(QStringLiteral("Info"), vbInformation, QMessageBox::Ok, seen);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
}

TEST(Clock, pinnedTimeHoldsUntilReleased) {
    const QDateTime pinned(QDate(2026, 12, 5), QTime(10, 30, 0, 999));
    Clock::pin(pinned);
    EXPECT_EQ(Clock::now(), QDateTime(QDate(2026, 12, 5), QTime(10, 30, 0)));
    EXPECT_EQ(Clock::now(), Clock::now());
    Clock::release();
    const QDateTime now = Clock::now();
    EXPECT_EQ(now.time().msec(), 0);
    EXPECT_LE(std::abs(now.secsTo(QDateTime::currentDateTime())), 2);
}

TEST(Keys, codesAsTheKeyHandlersKnowThem) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int code;
        int shift;
    } cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, 27, 0},
        {Qt::Key_Return, Qt::NoModifier, 13, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, 0},
        {Qt::Key_F11, Qt::NoModifier, 122, 0},
        {Qt::Key_Delete, Qt::NoModifier, 46, 0},
        {Qt::Key_Up, Qt::NoModifier, 38, 0},
        {Qt::Key_Down, Qt::ControlModifier, 40, 2},
        {Qt::Key_Tab, Qt::NoModifier, 9, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, 9, 1},
        {Qt::Key_Backtab, Qt::NoModifier, 9, 1},
        {Qt::Key_Period, Qt::KeypadModifier, 110, 0},
        {Qt::Key_Comma, Qt::KeypadModifier, 110, 0},
        {Qt::Key_Period, Qt::NoModifier, 190, 0},
        {Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier, 65, 5},
        {Qt::Key_7, Qt::NoModifier, 55, 0},
        {Qt::Key_F24, Qt::NoModifier, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(vbKeyCode(&event), c.code);
        EXPECT_EQ(vbShift(&event), c.shift);
    }
}

TEST(Log, appendsOneLinePerMessageToTheNamedFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quendarx.log"));
    const QByteArray previous = qgetenv("QUENDARX_LOG");
    qputenv("QUENDARX_LOG", path.toUtf8());
    logMessage(QStringLiteral("no such table: ARTICULOS"));
    logMessage(QStringLiteral("dos\r\nlíneas"));
    qputenv("QUENDARX_LOG", previous);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" no such table: ARTICULOS")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" dos líneas")));
    EXPECT_TRUE(lines[0].at(0).isDigit()); // a timestamp leads
}

namespace {
class NamesOnly : public Printers {
public:
    QStringList deviceNames() const override { return {QStringLiteral("A"), QStringLiteral("B")}; }
    QString currentDeviceName() const override { return current; }
    void setCurrent(const QString& name) override { current = name; }
    void beginDocument() override {}
    void setFont(const QString&, int) override {}
    void print(const QString&) override {}
    void endPage() override {}
    void endDocument() override {}
    QString current;
};
} // namespace

TEST(Printers, anInstalledInstanceStandsInForQtPrinting) {
    Printers& qt = Printers::instance();
    NamesOnly names;
    Printers::setInstance(&names);
    Printers::instance().setCurrent(QStringLiteral("B"));
    EXPECT_EQ(names.current, "B");
    Printers::setInstance(nullptr);
    EXPECT_EQ(&Printers::instance(), &qt);

    // Without any printer, a document cannot begin.
    if (qt.deviceNames().isEmpty()) {
        EXPECT_EQ(qt.currentDeviceName(), "");
        try {
            qt.beginDocument();
            ADD_FAILURE() << "a document began without a printer";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, 482);
        }
    }
}

TEST(Printers, aPdfFileGetsOneSheetPerPrintedPage) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("listado.pdf"));
    const auto pdf = Printers::pdfFile(path);
    EXPECT_EQ(pdf->deviceNames(), QStringList{QStringLiteral("PDF")});
    EXPECT_EQ(pdf->currentDeviceName(), "PDF");
    pdf->beginDocument();
    for (int page = 1; page <= 3; ++page) {
        pdf->setFont(QStringLiteral("Courier New"), 10);
        pdf->print(QStringLiteral("LISTADO CANCELACIONES\r\nPágina %1").arg(page));
        pdf->endPage();
    }
    pdf->endDocument();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QRegularExpression pageObject(QStringLiteral("/Type\\s*/Page(?!s)"));
    EXPECT_EQ(QString::fromLatin1(bytes).count(pageObject), 3);
}
