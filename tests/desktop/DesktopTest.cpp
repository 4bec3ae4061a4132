// The screens as a clerk uses them on a real desktop: keys typed through the X server,
// real message boxes taking the activation and giving it back.
#include "Clerk.h"
#include "cancellations/HostOperations.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "platform/MessageBoxes.h"
#include "stock/frmArticulos.h"
#include "stock/frmDespachos.h"
#include "support/StockTest.h"
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTranslator>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

// A scratch stock file connected as the local database, es_AR, the host's item EXP-1 / 1;
// message boxes are Qt's own. Article D-1 / 1 / 0: 20 imported, 4 cancelled against the
// host's item, 6 available.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        useStock(db);
        forgetMessages();
        db.exec(QStringLiteral("insert into ARTICULOS values ('A', 'D-1', 1, 0, 'N', 20, 1.5, 20, 6);"
                               "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
                               "values (3,'D-1',1,0,4,'EXP-1',1)"));
        LibraryState& g = basGlobal();
        g.g_INTNDC = QStringLiteral("D-1");
        g.g_ARTINO = 1;
        g.g_ARTSNO = 0;
    }
    void TearDown() override {
        resetLibraryState();
        Clock::release();
    }

    ScratchDatabase db;
    ScopedLocale locale{esAR()};
};

const QColor kLightGreen(192, 255, 192);
const QColor kWhite(255, 255, 255);

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
        .when([] { return true; }, {"key", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace",
                                    "BackSpace", "BackSpace", "BackSpace", "BackSpace"})
        .when([] { return true; }, {"type", "30/12/2027"})
        .when([&] { return box("TxtARTVEN")->text() == "30/12/2027" || box("txtARTCDS")->text() != "4"; },
              {"key", "F11"});
    QWidget host;
    host.setWindowTitle(QStringLiteral("host"));
    host.resize(600, 400);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host, 20000)); // a loaded machine is slow to activate
    EXPECT_TRUE(clerk.run([&] { screen.showModal(); })) << "stalled at step " << clerk.stalledAt();

    EXPECT_EQ(shownMessages(), QStringList{"El campo VENCIMIENTO debe tener una fecha valida"});
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
                  EXPECT_EQ(backColor(box("txtARTEXP")), kWhite);
              })
        .when([] { return true; }, {"type", "2"})
        .when([&] { return box("txtDescuento")->text() != "x"; }, {"key", "F11"});
    EXPECT_TRUE(clerk.run([&] { screen.showModal(); })) << "stalled at step " << clerk.stalledAt();

    EXPECT_EQ(db.query(QStringLiteral("select ARTCDS, ARTEXP from CANCELACIONES where EXTITM = 2")),
              QStringList{"2.0|E1"});
}

// The import keeps a declaration's code as typed, blanks and all: choosing on the list the
// one whose code has blanks around it opens its own articles, not those of the code
// without them.
TEST_F(DesktopTest, ChoosingADeclarationWithBlanksAroundItsCodeOpensItsOwnArticles) {
    db.exec(QStringLiteral("insert into OPERACIONES values ('1', '24001IC04000123A', 'Sin blancos', '2026-01-10');"
                           "insert into OPERACIONES values ('2', ' 24001IC04000123A ', 'Con blancos', '2026-01-11');"
                           "insert into ARTICULOS values ('SIN', '24001IC04000123A', 1, 0, 'N', 10, 1, 10, 10);"
                           "insert into ARTICULOS values ('CON', ' 24001IC04000123A ', 7, 0, 'N', 10, 1, 10, 10);"));
    frmDespachos& declarations = frmDespachos::instance();
    frmArticulos& articles = frmArticulos::instance();
    QTreeWidget* list = nullptr;
    QString heading;
    QStringList shown;
    Clerk clerk;
    clerk
        .when(
            [&] {
                list = declarations.isLoaded() ? declarations.listView(QStringLiteral("lstV")) : nullptr;
                return list && typingInto(list);
            },
            {"key", "Down"})
        .when([&] { return list->currentItem() == list->topLevelItem(1); }, {"key", "Return"})
        .then([&] { return articles.isLoaded() && articles.window()->isActiveWindow(); },
              [&] {
                  heading = articles.label(QStringLiteral("lbDeclaracion"))->text();
                  QTreeWidget* rows = articles.listView(QStringLiteral("lstV"));
                  for (int row = 0; row < rows->topLevelItemCount(); ++row)
                      shown << rows->topLevelItem(row)->text(0) + u'/' + rows->topLevelItem(row)->text(1);
              })
        .when([] { return true; }, {"key", "Escape"});
    EXPECT_TRUE(clerk.run([&] {
        declarations.showModal();
        if (!basGlobal().g_INTNDC.isEmpty())
            articles.showModal();
    })) << "stalled at step "
        << clerk.stalledAt();

    EXPECT_EQ(basGlobal().g_INTNDC, " 24001IC04000123A ");
    EXPECT_EQ(heading, " 24001IC04000123A ");
    EXPECT_EQ(shown, QStringList{"CON/007"});
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
    EXPECT_EQ(shownButtons(), (QStringList{"&Sí|&No", "Aceptar"}));
    EXPECT_TRUE(titlesWhole());
    EXPECT_EQ(db.query(QStringLiteral("select count(*) from CANCELACIONES")), QStringList{"0"});
}

} // namespace
