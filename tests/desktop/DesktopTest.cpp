// The screens as a clerk uses them on a real desktop: keys typed through the X server,
// real message boxes taking the activation and giving it back.
#include "Clerk.h"
#include "cancellations/frmModifcar.h"
#include "controls/Form.h"
#include "platform/Clock.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

// A scratch stock file connected as the local database, es_AR, the host's item EXP-1 / 1;
// message boxes are Qt's own.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        LibraryState& g = basGlobal();
        g.g_NumeroInterno = QStringLiteral("EXP-1");
        g.g_Item = 1;
        g.g_UbicacionBaseDatos = db.path();
        g.conexionLocal().setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db.path());
        g.conexionLocal().Connect();
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30)));
        forgetMessages();
    }
    void TearDown() override {
        resetLibraryState();
        Clock::release();
    }

    ScratchDatabase db;
    ScopedLocale locale{esAR()};
};

// Everything a look notes about a text box at one moment.
struct BoxLook {
    QString focus;
    QString text;
    bool selected = false;
    QColor colour;
};

BoxLook look(const Form& screen, const QString& name) {
    QLineEdit* box = screen.textBox(name);
    QWidget* focus = screen.window()->focusWidget();
    return {focus ? focus->objectName() : QString(), box->text(), box->hasSelectedText(),
            backColor(box)};
}

const QColor kLightGreen(192, 255, 192);

TEST_F(DesktopTest, AfterTheExpiryMessageTheRetypedDateGoesIntoTheExpiry) {
    db.exec(QStringLiteral(
        "insert into ARTICULOS values ('A', 'D-1', 1, 0, 'N', 20, 1.5, 20, 6);"
        "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
        "values (3,'D-1',1,0,4,'EXP-1',1)"));
    LibraryState& g = basGlobal();
    g.g_INTNDC = QStringLiteral("D-1");
    g.g_ARTINO = 1;
    g.g_ARTSNO = 0;
    frmModifcar& screen = frmModifcar::instance();
    const auto box = [&](const char* name) { return screen.textBox(QLatin1String(name)); };
    BoxLook afterMessage, afterRetyping;
    Clerk clerk;
    clerk.when([&] { return screen.isLoaded() && typingInto(box("txtARTCDS")); }, {"key", "Down", "Down", "Down"})
        .when([&] { return typingInto(box("TxtARTVEN")); }, {"type", "31/31/2027"})
        .when([&] { return box("TxtARTVEN")->text() == "31/31/2027"; }, {"key", "F11"})
        .when([] { return messageShown("El campo VENCIMIENTO debe tener una fecha valida"); }, {"key", "Return"})
        .then([&] { return screen.window()->isActiveWindow(); },
              [&] { afterMessage = look(screen, QStringLiteral("TxtARTVEN")); })
        .when([] { return true; }, {"key", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace",
                                    "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace"})
        .when([] { return true; }, {"type", "30/12/2027"})
        .then([&] { return box("TxtARTVEN")->text() == "30/12/2027" || box("txtARTCDS")->text() != "4"; },
              [&] { afterRetyping = look(screen, QStringLiteral("TxtARTVEN")); })
        .when([] { return true; }, {"key", "F11"});
    QWidget host;
    host.setWindowTitle(QStringLiteral("host"));
    host.resize(600, 400);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    EXPECT_TRUE(clerk.run([&] { screen.showModal(); })) << "stalled at step " << clerk.stalledAt();

    EXPECT_EQ(shownMessages(), QStringList{"El campo VENCIMIENTO debe tener una fecha valida"});
    // The box keeps the focus, its colour and what was typed; the caret stays at the end.
    EXPECT_EQ(afterMessage.focus, "TxtARTVEN");
    EXPECT_EQ(afterMessage.text, "31/31/2027");
    EXPECT_FALSE(afterMessage.selected);
    EXPECT_EQ(afterMessage.colour, kLightGreen);
    EXPECT_EQ(afterRetyping.text, "30/12/2027");
    EXPECT_EQ(db.query(QStringLiteral("select ARTCDS, ARTVEN from CANCELACIONES")),
              QStringList{"4.0|30/12/2027"});
}

} // namespace
