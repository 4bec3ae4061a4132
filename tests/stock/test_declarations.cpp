// The declarations screen: the list of declarations in stock, choosing one with Enter,
// deleting one with Delete, leaving with Esc.
#include "cancellations/test_registration_fixture.h"
#include "stock/frmDespachos.h"

using namespace quendarx;
using namespace quendarx::test;

namespace {

class DeclarationsTest : public RegistrationTest {
protected:
    void TearDown() override {
        if (screen().isLoaded())
            screen().unload();
        RegistrationTest::TearDown();
    }
    static frmDespachos& screen() { return frmDespachos::instance(); }
    static QTreeWidget* list() { return screen().listView(QStringLiteral("lstV")); }
    static void open() {
        screen().showModeless();
        ScreenRobot::activate(screen());
    }
    static void press(Qt::Key key) { ScreenRobot::key(screen(), key); }
    static QStringList rows() {
        QStringList texts;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            texts << rowText(list()->topLevelItem(i));
        return texts;
    }
    int count(const char* table, const QString& intndc) const {
        return value(QStringLiteral("select count(*) from %1 where INTNDC = %2").arg(QLatin1String(table), sq(intndc)))
            .toInt();
    }
};

TEST_F(DeclarationsTest, ListsTheDeclarationsOldestFirst) {
    const QString longText(200, QChar(0x00E9)); // é
    declaration(QStringLiteral("D-2"), QStringLiteral("2026-03-01"), QStringLiteral(" 77 "), QStringLiteral("  Segunda  "));
    declaration(QStringLiteral("D-1"), QStringLiteral("2025-12-31"));
    declaration(QStringLiteral("D'Ñ"), std::nullopt, std::nullopt, std::nullopt);
    declaration(QStringLiteral(" D-4 "), QStringLiteral("  no es fecha  "), QStringLiteral("N"), longText);
    for (const QLocale& l : {esAR(), enUS()}) {
        useLocale(l);
        open();
        // In the engine's order of INTFOF: null, then texts as stored (the blank first).
        EXPECT_EQ(rows(), QStringList({QStringLiteral("D'Ñ|||"), QStringLiteral(" D-4 |N|%1|no es fecha").arg(longText),
                                       QStringLiteral("D-1|N-1|Importacion|31/12/2025"),
                                       QStringLiteral("D-2|77|Segunda|01/03/2026")}));
        EXPECT_EQ(rowStyle(list()->topLevelItem(2)), QStringLiteral("highlight|normal|normal|highlight"));
        EXPECT_TRUE(list()->topLevelItem(1)->textAlignment(3) & Qt::AlignRight);
        EXPECT_EQ(list()->headerItem()->text(0), QStringLiteral("Declaración"));
        EXPECT_EQ(list()->headerItem()->text(3), QStringLiteral("Oficialización"));
        EXPECT_TRUE(list()->isVisible());
        EXPECT_EQ(list()->selectedItems(), QList<QTreeWidgetItem*>{list()->topLevelItem(0)});
        EXPECT_EQ(QApplication::focusWidget(), list());
        screen().unload();
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DeclarationsTest, EnterChoosesTheSelectedRowAsItStands) {
    declaration(QStringLiteral("D-1"), QStringLiteral("2025-01-01"));
    declaration(QStringLiteral(" d'Ñ 2 "), QStringLiteral("2026-01-01"));
    open();
    ScreenRobot::select(screen(), 1);
    press(Qt::Key_Return);
    EXPECT_FALSE(screen().isLoaded());
    EXPECT_EQ(basGlobal().g_INTNDC, QStringLiteral(" d'Ñ 2 "));
}

TEST_F(DeclarationsTest, DeleteRemovesTheDeclarationWithItsArticlesAndCancellations) {
    for (const QString& code : {QStringLiteral("D-1"), QStringLiteral("D'Ñ 1")}) {
        boxes.shown.clear();
        declaration(code, QStringLiteral("2025-01-01"));
        declaration(QStringLiteral("D-2"), QStringLiteral("2026-01-01"));
        article({.intndc = code});
        article({.intndc = code, .artino = 2});
        article({.intndc = QStringLiteral("D-2")});
        cancellation({.linord = 1, .intndc = code});
        cancellation({.linord = 2, .intndc = QStringLiteral("D-2")});
        open();
        press(Qt::Key_Delete);
        EXPECT_EQ(messages(), QStringList{QStringLiteral("16 Despacho %1 eliminado").arg(code)});
        for (const char* table : {"OPERACIONES", "ARTICULOS", "CANCELACIONES"}) {
            EXPECT_EQ(count(table, code), 0) << table;
            EXPECT_EQ(count(table, QStringLiteral("D-2")), 1) << table;
        }
        EXPECT_EQ(rows(), QStringList{QStringLiteral("D-2|N-1|Importacion|01/01/2026")});
        EXPECT_TRUE(list()->selectedItems().isEmpty());

        // With no row selected, Enter does nothing and Delete fails before deleting anything.
        press(Qt::Key_Return);
        EXPECT_TRUE(screen().isLoaded());
        EXPECT_EQ(basGlobal().g_INTNDC, QString());
        press(Qt::Key_Delete);
        EXPECT_EQ(messages().value(1), QStringLiteral("0 Invalid procedure call or argument\r\n\r\n"
                                                      "Sección [Quendar.frmDespachos.lp_Eliminar_Despacho]"));
        EXPECT_EQ(count("OPERACIONES", QStringLiteral("D-2")), 1);
        EXPECT_EQ(list()->topLevelItemCount(), 1);
        press(Qt::Key_Escape);
        EXPECT_FALSE(screen().isLoaded());
        db.exec(QStringLiteral("delete from CANCELACIONES; delete from ARTICULOS; delete from OPERACIONES"));
    }
}

// A column missing from the stock file makes the load fail part-way: the error is
// reported with the screen's own tag and the list shows the rows added so far.
TEST_F(DeclarationsTest, ALoadFailureIsReportedAndTheListShown) {
    declaration(QStringLiteral("D-1"));
    db.exec(QStringLiteral("alter table OPERACIONES rename column INTDSC to DESCRIPCION"));
    basGlobal().conexionLocal().Connect(); // afresh, with the changed table
    open();
    EXPECT_EQ(messages(), QStringList{QStringLiteral(
                              "16 3265 - Item cannot be found in the collection corresponding to the "
                              "requested name or ordinal: INTDSC\r\n\r\n"
                              "Sección [Quendarxdll.frmDespachos.lp_Cargar_Listado]")});
    EXPECT_EQ(rows(), QStringList{QStringLiteral("D-1|N-1")}); // filled up to the failing field
    EXPECT_TRUE(list()->isVisible());
    EXPECT_TRUE(screen().isLoaded());
}

} // namespace
