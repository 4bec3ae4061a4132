// The articles screen and the whole road of a registration: the list with its
// availability colours, picking an article into the registration screen, the lowered
// "Disponible" after a registration, and what Ingresar_Cancelaciones answers.
#include "cancellations/frmRelArt.h"
#include "cancellations/test_registration_fixture.h"
#include "stock/frmArticulos.h"
#include <QLabel>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class ArticlesTest : public RegistrationTest {
protected:
    void SetUp() override {
        RegistrationTest::SetUp();
        declaration(QStringLiteral("D-1"));
        basGlobal().g_INTNDC = QStringLiteral("D-1");
    }
    void TearDown() override {
        if (frmArticulos::instance().isLoaded())
            frmArticulos::instance().unload();
        RegistrationTest::TearDown();
    }
    static QTreeWidget* list(Form& f) { return f.listView(QStringLiteral("lstV")); }
    static QString available(Form& f, int row) { return list(f)->topLevelItem(row)->text(7); }
    static QString availableStyle(Form& f, int row) {
        return rowStyle(list(f)->topLevelItem(row)).section(QLatin1Char('|'), 7);
    }
    // frmRelArt's next showing: the quantity typed, then F11 (or Esc for an empty one).
    static ScreenRobot::Script registration(const QString& quantity) {
        return [quantity](Form& f) {
            if (quantity.isEmpty())
                return ScreenRobot::key(f, Qt::Key_Escape);
            ScreenRobot::text(f, "txtDescuento", quantity);
            ScreenRobot::key(f, Qt::Key_F11);
        };
    }
};

TEST_F(ArticlesTest, ListsTheArticlesInItemOrderWithTheirAvailability) {
    struct Case {
        QLocale locale;
        QStringList rows;
    };
    const Case cases[] = {
        {esAR(),
         {QStringLiteral("ART-1|007|000|8471.30.00|03,00|01,5000|15,00|00,00"),
          QStringLiteral("ART-1|007|002|8471.30.00|1234,50|01,5000|15,00|00,50"),
          QStringLiteral("Z'Ñ|1234|001||05,50|01,5000|15,00|")}},
        {enUS(),
         {QStringLiteral("ART-1|007|000|8471.30.00|03.00|01.5000|15.00|00.00"),
          QStringLiteral("ART-1|007|002|8471.30.00|1234.50|01.5000|15.00|00.50"),
          QStringLiteral("Z'Ñ|1234|001||05.50|01.5000|15.00|")}},
    };
    article({.artino = 1234, .artsno = 1, .artcan = 5.5, .artdsc = std::nullopt, .artnro = QStringLiteral("Z'Ñ"),
             .artncm = std::nullopt});
    article({.artino = 7, .artsno = 2, .artcan = 1234.5, .artdsc = 0.5});
    article({.artino = 7, .artsno = 0, .artcan = 3, .artdsc = 0});
    declaration(QStringLiteral("D-2"));
    article({.intndc = QStringLiteral("D-2")});
    for (const Case& c : cases) {
        useLocale(c.locale);
        frmArticulos& f = frmArticulos::instance();
        f.showModeless();
        QStringList rows;
        for (int i = 0; i < list(f)->topLevelItemCount(); ++i)
            rows << rowText(list(f)->topLevelItem(i));
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(rowStyle(list(f)->topLevelItem(0)), QStringLiteral("gray|gray|gray|gray|gray|gray|gray|gray"));
        for (int row : {1, 2})
            EXPECT_EQ(rowStyle(list(f)->topLevelItem(row)),
                      QStringLiteral("normal|normal|normal|normal|normal|normal|normal|highlight+bold"));
        EXPECT_EQ(f.label(QStringLiteral("lbDeclaracion"))->text(), QStringLiteral("D-1"));
        EXPECT_EQ(list(f)->headerItem()->text(7), QStringLiteral("Disponible"));
        EXPECT_TRUE(list(f)->topLevelItem(0)->textAlignment(4) & Qt::AlignRight);
        EXPECT_EQ(list(f)->selectedItems(), QList<QTreeWidgetItem*>{list(f)->topLevelItem(0)});
        EXPECT_TRUE(list(f)->isVisible());
        f.unload();
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ArticlesTest, ARegistrationLowersTheAvailableColumnWithoutAReload) {
    struct Case {
        QLocale locale;
        const char *part, *rest, *afterPart, *afterRest;
    };
    const Case cases[] = {{esAR(), "2,5", "7,5", "07,50", "00,00"}, {enUS(), "2.5", "7.5", "07.50", "00.00"}};
    for (const Case& c : cases) {
        db.exec(QStringLiteral("delete from CANCELACIONES; delete from ARTICULOS"));
        useLocale(c.locale);
        article({.artino = 3, .artsno = 1});
        article({.artino = 4, .artdsc = 4});
        ScreenRobot robot;
        QStringList seen;
        robot.when(QStringLiteral("frmArticulos"), [&](Form& f) {
            ScreenRobot::key(f, Qt::Key_Return);
            seen << available(f, 0) + QLatin1Char(' ') + availableStyle(f, 0);
            ScreenRobot::key(f, Qt::Key_Return); // the registration screen left with Esc
            seen << available(f, 0);
            // The database changes behind the list: only the picked row follows.
            db.exec(QStringLiteral("update ARTICULOS set ARTDSC = 1 where ARTINO = 4"));
            basGlobal().g_Item = 2; // the rest against another export item
            ScreenRobot::key(f, Qt::Key_Return);
            seen << available(f, 0) + QLatin1Char(' ') + availableStyle(f, 0) + QLatin1Char(' ') + available(f, 1);
            ScreenRobot::select(f, 1);
            ScreenRobot::key(f, Qt::Key_Return);
            seen << QStringLiteral("%1/%2").arg(basGlobal().g_ARTINO).arg(basGlobal().g_ARTSNO);
            ScreenRobot::key(f, Qt::Key_Escape);
        });
        robot.when(QStringLiteral("frmRelArt"), registration(QString::fromUtf8(c.part)));
        robot.when(QStringLiteral("frmRelArt"), registration(QString()));
        robot.when(QStringLiteral("frmRelArt"), [&](Form& f) {
            seen << f.label(QStringLiteral("lbARTDSC"))->text();
            ScreenRobot::text(f, "txtDescuento", QString::fromUtf8(c.rest));
            ScreenRobot::key(f, Qt::Key_F11);
        });
        robot.when(QStringLiteral("frmRelArt"), registration(QString()));
        frmArticulos::instance().showModal();

        const QString a = QString::fromUtf8(c.afterPart), b = QString::fromUtf8(c.afterRest);
        const QString four = c.locale == esAR() ? QStringLiteral("04,00") : QStringLiteral("04.00");
        EXPECT_EQ(seen, QStringList({a + QStringLiteral(" highlight+bold"), a, a,
                                     b + QStringLiteral(" highlight+bold ") + four, QStringLiteral("4/0")}));
        EXPECT_FALSE(robot.events.join(QLatin1Char(' ')).contains(QStringLiteral("UNSCRIPTED")));
        EXPECT_EQ(value(QStringLiteral("select ARTDSC from ARTICULOS where ARTINO = 3")), QStringLiteral("0.0"));
        EXPECT_EQ(db.query(QStringLiteral("select EXTITM || ':' || LINORD || ':' || ARTCDS from CANCELACIONES "
                                          "order by EXTITM")),
                  QStringList({QStringLiteral("1:1:2.5"), QStringLiteral("2:1:7.5")}));
        basGlobal().g_Item = 1;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ArticlesTest, ADeclarationWithoutArticlesOffersNothingToPick) {
    ScreenRobot robot;
    bool empty = false;
    robot.when(QStringLiteral("frmArticulos"), [&](Form& f) {
        empty = list(f)->topLevelItemCount() == 0 && list(f)->isVisible();
        ScreenRobot::key(f, Qt::Key_Return);
        ScreenRobot::key(f, Qt::Key_Escape);
    });
    frmArticulos::instance().showModal();
    EXPECT_TRUE(empty);
    EXPECT_EQ(robot.events, QStringList({QStringLiteral("SHOW frmArticulos"), QStringLiteral("CLOSE frmArticulos")}));
    EXPECT_TRUE(boxes.shown.empty());
}

// The articles query names its columns: when it fails the list stays empty, no message.
TEST_F(ArticlesTest, AFailedQueryLeavesTheListEmptyAndSaysNothing) {
    article({});
    db.exec(QStringLiteral("alter table ARTICULOS rename column ARTFOB to FOB"));
    basGlobal().conexionLocal().Connect();
    frmArticulos& f = frmArticulos::instance();
    f.showModeless();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(list(f)->topLevelItemCount(), 0);
    EXPECT_TRUE(list(f)->isVisible());
}

} // namespace
