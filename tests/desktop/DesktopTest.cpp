// The screens as a clerk uses them on a real desktop: keys typed through the X server,
// real message boxes taking the activation and giving it back.
#include "cancellations/HostOperations.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "platform/MessageBoxes.h"
#include "support/Steps.h"
#include "support/StockTest.h"
#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTranslator>

using namespace quendarx;
using namespace quendarx::test;

namespace {

// The message boxes' buttons' texts (joined by '|'), and whether every box had room for
// its title beside the frame's buttons.
QStringList g_buttons;
bool g_titlesWhole = true;

class MessageWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (event->type() != QEvent::Show || !box)
            return false;
        QStringList texts;
        for (QAbstractButton* button : box->buttons())
            texts << button->text();
        g_buttons << texts.join(u'|');
        const int title = QFontMetrics(QApplication::font()).horizontalAdvance(box->windowTitle());
        g_titlesWhole = g_titlesWhole && box->width() >= title + 100;
        return false;
    }
};

// A clerk at the keyboard: each step waits until the screen is ready for it, then types
// through the X server with xdotool, so the keys pass the window manager as a person's do.
class Clerk : public Steps {
public:
    Clerk& when(std::function<bool()> ready, QStringList xdotool) {
        Steps::then(std::move(ready), [xdotool] { QProcess::execute(QStringLiteral("xdotool"), xdotool); });
        return *this;
    }
    Clerk& then(std::function<bool()> ready, std::function<void()> look) {
        Steps::then(std::move(ready), std::move(look));
        return *this;
    }
};

// The window with the X input focus is `control`'s, and `control` has the keyboard.
bool typingInto(const QWidget* control) { return control && control->isActiveWindow() && control->hasFocus(); }

bool messageShown(const QString& text) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isActiveWindow() && box->text() == text;
}

// Qt's own message boxes; article D-1 / 1 / 0: 20 imported, 4 cancelled against the host's
// item EXP-1 / 1, 6 available.
class DesktopTest : public StockTest {
protected:
    void SetUp() override {
        StockTest::SetUp();
        static auto* watch = new MessageWatch;
        qApp->installEventFilter(watch);
        g_buttons.clear();
        g_titlesWhole = true;
        db.exec(QStringLiteral("insert into ARTICULOS values ('A', 'D-1', 1, 0, 'N', 20, 1.5, 20, 6);"
                               "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
                               "values (3,'D-1',1,0,4,'EXP-1',1)"));
        LibraryState& g = basGlobal();
        g.g_INTNDC = QStringLiteral("D-1");
        g.g_ARTINO = 1;
        g.g_ARTSNO = 0;
    }

    ScopedMessageBoxHandler qtBoxes{nullptr};
};

const QColor kLightGreen(192, 255, 192);

TEST_F(DesktopTest, AfterTheExpiryMessageTheRetypedDateGoesIntoTheExpiry) {
    frmModifcar& screen = frmModifcar::instance();
    const auto box = [&](const char* name) { return screen.textBox(QLatin1String(name)); };
    Clerk clerk;
    clerk.when([&] { return screen.isLoaded() && typingInto(box("txtARTCDS")); }, {"key", "Down", "Down", "Down"})
        .when([&] { return typingInto(box("TxtARTVEN")); }, {"type", "31/31/2027"})
        .when([&] { return box("TxtARTVEN")->text() == "31/31/2027"; }, {"key", "F11"})
        .when([] { return messageShown("El campo VENCIMIENTO debe tener una fecha valida"); }, {"key", "Return"})
        .then([&] { return screen.window()->isActiveWindow(); },
              [&] { // the box keeps the focus, its colour and what was typed; the caret stays at the end
                  QLineEdit* expiry = box("TxtARTVEN");
                  EXPECT_EQ(screen.window()->focusWidget(), expiry);
                  EXPECT_EQ(expiry->text(), "31/31/2027");
                  EXPECT_FALSE(expiry->hasSelectedText());
                  EXPECT_EQ(backColor(expiry), kLightGreen);
              })
        .when([] { return true; }, {"key", "--repeat", "10", "BackSpace"})
        .when([] { return true; }, {"type", "30/12/2027"})
        .when([&] { return box("TxtARTVEN")->text() == "30/12/2027" || box("txtARTCDS")->text() != "4"; },
              {"key", "F11"});
    QWidget host;
    host.setWindowTitle(QStringLiteral("host"));
    host.resize(600, 400);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host, 20000)); // a loaded machine is slow to activate
    EXPECT_TRUE(clerk.run([&] { screen.showModal(); })) << "stalled at step " << clerk.stalledAt();

    EXPECT_EQ(db.query(QStringLiteral("select ARTCDS, ARTVEN from CANCELACIONES")), QStringList{"4.0|30/12/2027"});
}

TEST_F(DesktopTest, AfterTheQuantityMessageTheFocusIsBackOnTheQuantityReadyToRetype) {
    basGlobal().g_Item = 2; // a new export item for the article
    frmRelArt& screen = frmRelArt::instance();
    const auto box = [&](const char* name) { return screen.textBox(QLatin1String(name)); };
    Clerk clerk;
    clerk.when([&] { return screen.isLoaded() && typingInto(box("txtDescuento")); }, {"type", "x"})
        .when([&] { return box("txtDescuento")->text() == "x"; }, {"key", "alt+t", "Down"})
        .when([&] { return typingInto(box("txtARTEXP")); }, {"type", "E1"})
        .when([&] { return box("txtARTEXP")->text() == "E1"; }, {"key", "F11"})
        .when([] { return messageShown("Debe ingresar un valor numérico"); }, {"key", "Return"})
        .then([&] { return typingInto(box("txtDescuento")); },
              [&] {
                  EXPECT_EQ(box("txtDescuento")->text(), "x"); // Alt+T typed nothing
                  EXPECT_TRUE(box("txtDescuento")->hasSelectedText());
                  EXPECT_EQ(backColor(box("txtDescuento")), kLightGreen);
                  EXPECT_EQ(backColor(box("txtARTEXP")), QColor(Qt::white));
              })
        .when([] { return true; }, {"type", "2"})
        .when([&] { return box("txtDescuento")->text() != "x"; }, {"key", "F11"});
    EXPECT_TRUE(clerk.run([&] { screen.showModal(); })) << "stalled at step " << clerk.stalledAt();

    EXPECT_EQ(db.query(QStringLiteral("select ARTCDS, ARTEXP from CANCELACIONES where EXTITM = 2")),
              QStringList{"2.0|E1"});
}

// Real boxes in Spanish, wide enough for a host's long title beside the frame's buttons
// however short their text; Enter answers the delete question Yes.
TEST_F(DesktopTest, TheDeleteQuestionAsksInSpanishAndReturnSaysYes) {
    // A host of its own with no translations: the library's boxes carry their texts.
    for (QTranslator* translator : qApp->findChildren<QTranslator*>())
        QCoreApplication::removeTranslator(translator);
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Exportaciones - Cancelación de artículos"));
    Clerk clerk;
    bool deleted = false;
    clerk
        .when([] { return QApplication::activeModalWidget() && QApplication::activeModalWidget()->isActiveWindow(); },
              {"key", "Return"})
        .when([] { return messageShown("Listo"); }, {"key", "Return"});
    EXPECT_TRUE(clerk.run([&] {
        deleted = Eliminar_Articulo(QStringLiteral("D-1"), 1, 0);
        MessageBoxes::show(QStringLiteral("Listo"), vbInformation);
    })) << "stalled at step "
        << clerk.stalledAt();
    QCoreApplication::setApplicationName(name);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(g_buttons, (QStringList{"&Sí|&No", "Aceptar"}));
    EXPECT_TRUE(g_titlesWhole);
    EXPECT_EQ(db.query(QStringLiteral("select count(*) from CANCELACIONES")), QStringList{"0"});
}

} // namespace
