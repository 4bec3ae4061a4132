// The modify screen: what it shows of one cancellation, what it refuses, what a save
// writes and how the article's available quantity follows.
#include "cancellations/frmModifcar.h"
#include "platform/Keys.h"
#include "test_modify_fixture.h"
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace quendarx;
using quendarx::test::CancellationsTest;

namespace {

const char* const kFields[] = {"txtARTCDS", "TxtARTEXP", "txtARTCER", "TxtARTVEN", "txtARTORD"};

} // namespace

class ModifyTest : public CancellationsTest {
protected:
    void SetUp() override {
        CancellationsTest::SetUp();
        // ARTCAN 20: 10 against item 2, 4 against item 1 (the one edited): 6 available.
        article(QStringLiteral("D-1"), 1, 0, 20, 6);
        cancellation({3, QStringLiteral("D-1"), 1, 0, 4});
        cancellation({1, QStringLiteral("D-1"), 1, 0, 10, QStringLiteral("EXP-1"), 2});
        pick(QStringLiteral("D-1"), 1, 0);
    }
    void TearDown() override {
        if (screen().isLoaded())
            screen().unload();
        CancellationsTest::TearDown();
    }

    static void pick(const QString& intndc, int artino, int artsno) {
        LibraryState& g = basGlobal();
        g.g_INTNDC = intndc;
        g.g_ARTINO = artino;
        g.g_ARTSNO = artsno;
    }
    static frmModifcar& screen() { return frmModifcar::instance(); }
    static QString labelText(const char* name) {
        return screen().label(QString::fromLatin1(name))->text();
    }
    static QString text(const char* name) { return screen().textBox(QString::fromLatin1(name))->text(); }
    static void setText(const char* name, const QString& value) {
        screen().textBox(QString::fromLatin1(name))->setText(value);
    }
    static void press(Qt::Key key) {
        QTest::keyClick(screen().window()->focusWidget(), key);
    }
    // Fills the entry fields and presses F11.
    void save(const QString& quantity, const QString& expiry = QStringLiteral("31/12/2027"),
              const QString& order = QStringLiteral("8")) {
        setText("txtARTCDS", quantity);
        setText("TxtARTVEN", expiry);
        setText("txtARTORD", order);
        press(Qt::Key_F11);
    }
    QString row() const {
        return value(QStringLiteral("select LINORD, ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD, EXTFDC "
                                    "from CANCELACIONES where EXTITM = 1"));
    }
};

TEST_F(ModifyTest, OpensShowingTheCancellationAndTheMostItMayHold) {
    screen().showModeless();
    ASSERT_TRUE(screen().isLoaded());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(labelText("lbEXTNRO"), QStringLiteral("EXP-1"));
    EXPECT_EQ(labelText("lbEXTITM"), QStringLiteral("1"));
    EXPECT_EQ(labelText("lbINTNDC"), QStringLiteral("D-1"));
    EXPECT_EQ(labelText("lbARTINO"), QStringLiteral("001"));
    EXPECT_EQ(labelText("lbARTSNO"), QStringLiteral("000"));
    EXPECT_EQ(labelText("lbARTDSC"), QStringLiteral("10,00"));
    EXPECT_EQ(text("txtARTCDS"), QStringLiteral("4"));
    EXPECT_EQ(text("TxtARTEXP"), QStringLiteral("EX-9"));
    EXPECT_EQ(text("txtARTCER"), QStringLiteral("CER-1"));
    EXPECT_EQ(text("TxtARTVEN"), QStringLiteral("15/03/2027"));
    EXPECT_EQ(text("txtARTORD"), QStringLiteral("7"));
    EXPECT_EQ(screen().window()->focusWidget(), screen().textBox(QStringLiteral("txtARTCDS")));
}

TEST_F(ModifyTest, StoredValuesAreShownInTheRegionalForms) {
    db.exec(QStringLiteral("update CANCELACIONES set ARTCDS = 2.5, ARTVEN = '2027-03-15', "
                           "ARTORD = NULL, ARTEXP = NULL where EXTITM = 1"));
    db.exec(QStringLiteral("update ARTICULOS set ARTDSC = 7.499"));
    screen().showModeless();
    EXPECT_EQ(text("txtARTCDS"), QStringLiteral("2,5"));
    EXPECT_EQ(labelText("lbARTDSC"), QStringLiteral("10,00")); // 9.999 rounded
    EXPECT_EQ(text("TxtARTVEN"), QStringLiteral("15/03/2027"));
    EXPECT_EQ(text("txtARTORD"), QString());
    EXPECT_EQ(text("TxtARTEXP"), QString());
    screen().unload();

    db.exec(QStringLiteral("update CANCELACIONES set ARTVEN = 'a confirmar' where EXTITM = 1"));
    ScopedLocale point(quendarx::test::enUS());
    screen().showModeless();
    EXPECT_EQ(text("txtARTCDS"), QStringLiteral("2.5"));
    EXPECT_EQ(labelText("lbARTDSC"), QStringLiteral("10.00"));
    EXPECT_EQ(text("TxtARTVEN"), QStringLiteral("a confirmar"));
}

TEST_F(ModifyTest, F11SavesTheRowRecomputesTheArticleAndCloses) {
    screen().showModeless();
    setText("TxtARTEXP", QStringLiteral("EX-10"));
    setText("txtARTCER", QStringLiteral("CER-2"));
    save(QStringLiteral("10"));
    EXPECT_FALSE(screen().isLoaded());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(row(), QStringLiteral("3|10.0|EX-10|CER-2|31/12/2027|8|2026-12-05 10:30:00"));
    EXPECT_EQ(available(QStringLiteral("D-1"), 1, 0), QStringLiteral("0.0"));
}

TEST_F(ModifyTest, AcceptedQuantitiesAreStoredRoundedAndTheRestIsAvailableAgain) {
    struct Case {
        const char* typed;
        const char* stored;
        const char* available;
    } cases[] = {
        {"0", "0.0", "10.0"},          // no lower bound
        {"-2", "-2.0", "12.0"},
        {"9,996", "10.0", "0.0"},      // compared as typed, stored rounded
        {"2,345", "2.35", "7.65"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        screen().showModeless();
        save(QString::fromUtf8(c.typed));
        EXPECT_FALSE(screen().isLoaded());
        EXPECT_EQ(value(QStringLiteral("select ARTCDS from CANCELACIONES where EXTITM = 1")),
                  QString::fromLatin1(c.stored));
        EXPECT_EQ(available(QStringLiteral("D-1"), 1, 0), QString::fromLatin1(c.available));
        db.exec(QStringLiteral("update CANCELACIONES set ARTCDS = 4 where EXTITM = 1; "
                               "update ARTICULOS set ARTDSC = 6"));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ModifyTest, RefusedEntriesKeepTheScreenOpenAndWriteNothing) {
    struct Case {
        const char* quantity;
        const char* expiry;
        const char* message;
    } cases[] = {
        {"10,004", "31/12/2027", "El campo CANTIDAD no puede superar 10,00"},
        {"10,01", "", "El campo CANTIDAD no puede superar 10,00"},
        {"", "31/12/2027", "El campo CANTIDAD debe tener un valor numérico"},
        {"abc", "31/12/2027", "El campo CANTIDAD debe tener un valor numérico"},
        {"1.5", "31/12/2027", "El campo CANTIDAD debe tener un valor numérico"},
        {"5", "", "El campo VENCIMIENTO debe tener una fecha valida"},
        {"5", "31/02/2025", "El campo VENCIMIENTO debe tener una fecha valida"},
        {"5", "mañana", "El campo VENCIMIENTO debe tener una fecha valida"},
    };
    const QString before = row();
    screen().showModeless();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quantity + std::string(" / ") + c.expiry);
        boxes.shown.clear();
        save(QString::fromUtf8(c.quantity), QString::fromUtf8(c.expiry));
        ASSERT_TRUE(screen().isLoaded());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].style, 48);
        EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(text("txtARTCDS"), QString::fromUtf8(c.quantity)) << "what was typed stays";
    }
    EXPECT_EQ(row(), before);
    EXPECT_EQ(available(QStringLiteral("D-1"), 1, 0), QStringLiteral("6.0"));
}

TEST_F(ModifyTest, OrderNumberIsNullWhenEmptyAndOtherwiseAsTyped) {
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {{"", "NULL"}, {"12", "12"}, {"A-12", "A-12"}};
    for (const Case& c : cases) {
        screen().showModeless();
        save(QStringLiteral("4"), QStringLiteral("31/12/2027"), QString::fromUtf8(c.typed));
        EXPECT_EQ(value(QStringLiteral("select ARTORD from CANCELACIONES where EXTITM = 1")),
                  QString::fromLatin1(c.stored));
    }
}

TEST_F(ModifyTest, QuotesAndAccentsAreStoredAsTypedInEveryField) {
    const QString code = QStringLiteral("D'ñ 1");
    const QString exportDeclaration = QStringLiteral("EXP'É");
    article(code, 2, 3, 20, 15);
    cancellation({1, code, 2, 3, 5, exportDeclaration, 1});
    pick(code, 2, 3);
    basGlobal().g_NumeroInterno = exportDeclaration;
    screen().showModeless();
    EXPECT_EQ(labelText("lbINTNDC"), code);
    EXPECT_EQ(labelText("lbEXTNRO"), exportDeclaration);
    setText("TxtARTEXP", QStringLiteral("O'Brien — año"));
    setText("txtARTCER", QStringLiteral("'; delete from ARTICULOS; --"));
    save(QStringLiteral("6"), QStringLiteral("1/2/2028"), QStringLiteral("nº 'x'"));
    EXPECT_FALSE(screen().isLoaded());
    EXPECT_EQ(value(QStringLiteral("select ARTCDS, ARTEXP, ARTCER, ARTVEN, ARTORD from CANCELACIONES "
                                   "where EXTNRO = 'EXP''É'")),
              QStringLiteral("6.0|O'Brien — año|'; delete from ARTICULOS; --|1/2/2028|nº 'x'"));
    EXPECT_EQ(available(code, 2, 3), QStringLiteral("14.0"));
    EXPECT_EQ(value(QStringLiteral("select count(*) from ARTICULOS")), QStringLiteral("2"));
}

TEST_F(ModifyTest, EscapeClosesWithoutWritingAnything) {
    db.exec(QStringLiteral("update ARTICULOS set ARTDSC = 99")); // a recomputation would show
    const QString before = row();
    screen().showModeless();
    setText("txtARTCDS", QStringLiteral("1"));
    setText("TxtARTVEN", QStringLiteral("31/12/2027"));
    press(Qt::Key_Escape);
    EXPECT_FALSE(screen().isLoaded());
    EXPECT_EQ(row(), before);
    EXPECT_EQ(available(QStringLiteral("D-1"), 1, 0), QStringLiteral("99.0"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ModifyTest, HelpersMoveThroughTheFieldsInTabOrder) {
    screen().showModeless();
    QStringList visited;
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        visited << screen().window()->focusWidget()->objectName();
        press(Qt::Key_Return);
    }
    EXPECT_EQ(visited, QStringList({"txtARTCDS", "TxtARTEXP", "txtARTCER", "TxtARTVEN", "txtARTORD"}));
    EXPECT_TRUE(screen().isLoaded()) << "Enter never saves";
}

TEST_F(ModifyTest, ACancellationMissingForTheHostsItemIsReportedAndCannotBeSaved) {
    basGlobal().g_Item = 5;
    screen().showModeless();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, 16);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("No se encontro el articulo en cancelaciones"));
    for (const char* field : kFields)
        EXPECT_EQ(text(field), QString()) << field;
    EXPECT_EQ(labelText("lbARTDSC"), QStringLiteral("00.0"));
    // The maximum of a screen that did not load reads as 0.
    save(QStringLiteral("1"));
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("El campo CANTIDAD no puede superar 00,00"));
    // 0 passes the checks, but there is no row to rewrite.
    save(QStringLiteral("0"));
    EXPECT_EQ(boxes.shown.back().style, 16);
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Error: no se guardaron las modificaciones."));
    EXPECT_TRUE(screen().isLoaded());
}

TEST_F(ModifyTest, AMissingArticleIsReported) {
    for (int artino : {0, -4, 9}) {
        pick(QStringLiteral("D-1"), artino, 0);
        boxes.shown.clear();
        screen().showModeless();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].style, 16);
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("No se obtener cantidad disponible"));
        EXPECT_EQ(labelText("lbINTNDC"), QString());
        screen().unload();
    }
}

TEST_F(ModifyTest, AnUnreadableAvailableQuantityIsReportedAsALoadingError) {
    db.exec(QStringLiteral("update ARTICULOS set ARTDSC = 'n/d'"));
    screen().showModeless();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, 16);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("13 - ")));
    EXPECT_TRUE(boxes.shown[0].text.endsWith(
        QStringLiteral("\r\n\r\nSección [QuendarxDLL.frmModificar.leer_articulo]")));
    EXPECT_TRUE(screen().isLoaded());
}

TEST_F(ModifyTest, RowsThatVanishWhileTheScreenIsOpenAreReported) {
    screen().showModeless();
    db.exec(QStringLiteral("delete from ARTICULOS"));
    save(QStringLiteral("5"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, 16);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Error en actualizar CANTIDAD DISPONIBLE"));
    EXPECT_TRUE(screen().isLoaded());
    // No transaction: the rewritten row stays.
    EXPECT_EQ(value(QStringLiteral("select ARTCDS from CANCELACIONES where EXTITM = 1")),
              QStringLiteral("5.0"));
}
