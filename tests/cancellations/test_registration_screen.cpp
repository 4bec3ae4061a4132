// The registration screen: what it shows of the article, what it refuses, what a
// registration writes (line order, stored values, recomputed availability), and the
// keyboard behaviour of its entry fields.
#include "cancellations/frmRelArt.h"
#include "test_registration_fixture.h"
#include <QLabel>

using namespace quendarx;
using namespace quendarx::test;

namespace {

class RegistrationScreenTest : public RegistrationTest {
protected:
    void SetUp() override {
        RegistrationTest::SetUp();
        declaration(QStringLiteral("D-1"));
        article({});
        pick(QStringLiteral("D-1"), 1, 0);
    }
    void TearDown() override {
        if (screen().isLoaded())
            screen().unload();
        RegistrationTest::TearDown();
    }

    static frmRelArt& screen() { return frmRelArt::instance(); }
    static void open() {
        screen().showModeless();
        ScreenRobot::activate(screen());
    }
    static QString label(const char* name) { return screen().label(QLatin1String(name))->text(); }
    static QLineEdit* box(const char* name) { return screen().textBox(QLatin1String(name)); }
    static QString focus() {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        ScreenRobot::key(screen(), key, modifiers);
    }

    struct Entry {
        QString quantity = QStringLiteral("2,5");
        QString artexp = {}, artcer = {}, artord = {}, artven = {};
    };
    // Opens the screen, fills it, presses F11; true when the screen closed itself.
    bool registerEntry(const Entry& e) {
        open();
        box("txtDescuento")->setText(e.quantity);
        box("txtARTEXP")->setText(e.artexp);
        box("txtARTCER")->setText(e.artcer);
        box("txtARTORD")->setText(e.artord);
        box("txtARTVEN")->setText(e.artven);
        press(Qt::Key_F11);
        return !screen().isLoaded();
    }
    QStringList stored() const {
        return db.query(QStringLiteral("select LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, "
                                       "ARTVEN, ARTORD, EXTNRO, EXTITM, EXTFDC from CANCELACIONES "
                                       "order by EXTNRO, EXTITM, LINORD"));
    }
    QString available(int artino = 1) const {
        return value(QStringLiteral("select ARTDSC from ARTICULOS where ARTINO = %1").arg(artino));
    }
};

TEST_F(RegistrationScreenTest, ShowsTheArticleItsCancellationsAndProposesWhatIsLeft) {
    struct Case {
        QLocale locale;
        const char* labels; // lbARTINO|lbARTSNO|lbARTCAN|lbARTUNI|lbARTFOB|lbARTDSC
        const char* rows; // in any order: the list keeps the database's order
    };
    const Case cases[] = {
        {esAR(), "003|012|12,50|01,2346|100,00|00,50", "EXP-1|1|09,00|02/01/2026 08:00:00;EXP-9|2|03,00|02/01/2026 08:00:00"},
        {enUS(), "003|012|12.50|01.2346|100.00|00.50", "EXP-1|1|09.00|02/01/2026 08:00:00;EXP-9|2|03.00|02/01/2026 08:00:00"},
    };
    article({.artino = 3, .artsno = 12, .artcan = 12.5, .artdsc = 0.5, .artnro = QStringLiteral("ÁRT'9"),
             .artuni = 1.23456, .artfob = 99.999});
    cancellation({.linord = 4, .artino = 3, .artsno = 12, .artcds = 3, .extnro = QStringLiteral("EXP-9"), .extitm = 2});
    cancellation({.linord = 1, .artino = 3, .artsno = 12, .artcds = 9, .extnro = QStringLiteral("EXP-1")});
    pick(QStringLiteral("D-1"), 3, 12);
    for (const Case& c : cases) {
        useLocale(c.locale);
        open();
        EXPECT_EQ(label("lbARTNRO"), QStringLiteral("ÁRT'9"));
        EXPECT_EQ(label("lbARTNCM"), QStringLiteral("8471.30.00"));
        EXPECT_EQ(QStringList({label("lbARTINO"), label("lbARTSNO"), label("lbARTCAN"), label("lbARTUNI"),
                               label("lbARTFOB"), label("lbARTDSC")})
                      .join(QLatin1Char('|')),
                  QString::fromUtf8(c.labels));
        EXPECT_EQ(box("txtDescuento")->text(), label("lbARTDSC"));
        // The quantity field has the focus, light green, its text selected.
        EXPECT_EQ(focus(), QStringLiteral("txtDescuento"));
        QTest::qWait(1);
        EXPECT_EQ(backColor(box("txtDescuento")), QColor(0xC0, 0xFF, 0xC0));
        EXPECT_EQ(box("txtDescuento")->selectedText(), label("lbARTDSC"));

        QTreeWidget* list = screen().listView(QStringLiteral("ListView1"));
        QStringList rows; // every export item's cancellations
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << rowText(list->topLevelItem(i));
        rows.sort();
        EXPECT_EQ(rows.join(QLatin1Char(';')), QString::fromUtf8(c.rows));
        EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("Fecha"));
        EXPECT_TRUE(list->topLevelItem(0)->textAlignment(2) & Qt::AlignRight);
        screen().unload();
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RegistrationScreenTest, AnArticleThatCannotBeLoadedKeepsThePlaceholders) {
    article({.artino = 2, .artncm = std::nullopt});
    struct Case {
        int artino;
        const char* message;
        const char* labels; // lbARTNRO|lbARTINO|lbARTNCM|lbARTDSC|txtDescuento
    };
    const Case cases[] = {
        {99, nullptr, "ASERFD1232-34|001|2001.65.90.000D|00.00| 00.00"},
        {2, "0 94 - Invalid use of Null", "ART-1|002|2001.65.90.000D|00.00| 00.00"},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        pick(QStringLiteral("D-1"), c.artino, 0);
        open();
        EXPECT_EQ(messages(), c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList());
        EXPECT_EQ(QStringList({label("lbARTNRO"), label("lbARTINO"), label("lbARTNCM"), label("lbARTDSC"),
                               box("txtDescuento")->text()})
                      .join(QLatin1Char('|')),
                  QString::fromUtf8(c.labels));
        EXPECT_EQ(screen().listView(QStringLiteral("ListView1"))->topLevelItemCount(), 0);
        screen().unload();
    }
}

TEST_F(RegistrationScreenTest, QuantityChecks) {
    struct Case {
        QLocale locale;
        const char* typed;
        const char* message;  // nullptr: registered
        const char* artcds;   // stored quantity when registered
        const char* handedBack; // g_CantidadDescontada
        const char* focusAfter = ""; // after a refusal (F11 pressed in txtARTCER)
        const char* boxAfter = "";
    };
    const char* const numeric = "48 Debe ingresar un valor numérico";
    const char* const positive = "48 Debe ingresar un valor mayor a cero";
    const Case cases[] = {
        {esAR(), "10", nullptr, "10.0", "10"},
        {esAR(), "10,004", nullptr, "10.0", "10"},
        {esAR(), "2,5", nullptr, "2.5", "2,5"},
        {esAR(), "0,001", nullptr, "0.0", "0"},
        {esAR(), "10,006", "48 El valor a descontar no puede ser mayor a 10,00", nullptr, "", "txtARTCER", "10,01"},
        {esAR(), "0", positive, nullptr, "", "txtDescuento", "0"},
        {esAR(), "-1", positive, nullptr, "", "txtDescuento", "-1"},
        {esAR(), "abc", numeric, nullptr, "", "txtDescuento", "abc"},
        {esAR(), "", numeric, nullptr, "", "txtDescuento", ""},
        {esAR(), "1.5", numeric, nullptr, "", "txtDescuento", "1.5"},
        {enUS(), "2.5", nullptr, "2.5", "2.5"},
        {enUS(), "10.006", "48 El valor a descontar no puede ser mayor a 10.00", nullptr, "", "txtARTCER", "10.01"},
        {enUS(), "2,5", numeric, nullptr, "", "txtDescuento", "2,5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.locale.name().toStdString() << " " << c.typed);
        db.exec(QStringLiteral("delete from CANCELACIONES; update ARTICULOS set ARTDSC = ARTCAN"));
        boxes.shown.clear();
        useLocale(c.locale);
        basGlobal().g_CantidadDescontada = QStringLiteral("stale");
        open();
        box("txtDescuento")->setText(QString::fromUtf8(c.typed));
        box("txtARTCER")->setFocus();
        press(Qt::Key_F11);
        EXPECT_EQ(basGlobal().g_CantidadDescontada, QString::fromUtf8(c.handedBack));
        if (!c.message) {
            EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
            EXPECT_FALSE(screen().isLoaded());
            const QStringList rows = stored();
            ASSERT_EQ(rows.size(), 1);
            EXPECT_EQ(rows.front().section(QLatin1Char('|'), 4, 4), QString::fromUtf8(c.artcds));
            EXPECT_EQ(available().toDouble(), 10 - QString::fromLatin1(c.artcds).toDouble());
            continue;
        }
        EXPECT_EQ(messages(), QStringList{QString::fromUtf8(c.message)});
        ASSERT_TRUE(screen().isLoaded());
        EXPECT_EQ(focus(), QString::fromUtf8(c.focusAfter));
        EXPECT_EQ(box("txtDescuento")->text(), QString::fromUtf8(c.boxAfter));
        EXPECT_TRUE(stored().isEmpty());
        EXPECT_EQ(available(), QStringLiteral("10.0"));
        screen().unload();
    }
}

TEST_F(RegistrationScreenTest, StoresTheEntriesAsTyped) {
    const QString longText(200, QChar(0x00D1)); // Ñ
    struct Case {
        Entry entry;
        QString row;
    };
    const Case cases[] = {
        {{.artord = QStringLiteral("12")}, QStringLiteral("1|D-1|1|0|2.5||||12|EXP-1|1|2026-12-05 10:30:00")},
        {{.artord = QStringLiteral("A12")}, QStringLiteral("1|D-1|1|0|2.5||||NULL|EXP-1|1|2026-12-05 10:30:00")},
        {{.artord = QString()}, QStringLiteral("1|D-1|1|0|2.5||||NULL|EXP-1|1|2026-12-05 10:30:00")},
        {{.artexp = QStringLiteral("O'Brien 'x'"), .artcer = QStringLiteral("C\"1\" año"), .artord = QStringLiteral("7"),
          .artven = QStringLiteral("15/03/2027")},
         QStringLiteral("1|D-1|1|0|2.5|O'Brien 'x'|C\"1\" año|15/03/2027|7|EXP-1|1|2026-12-05 10:30:00")},
        {{.artexp = longText, .artcer = QStringLiteral("--'; drop table ARTICULOS; --"), .artven = QStringLiteral("no es fecha")},
         QStringLiteral("1|D-1|1|0|2.5|%1|--'; drop table ARTICULOS; --|no es fecha|NULL|EXP-1|1|2026-12-05 10:30:00")
             .arg(longText)},
    };
    for (const Case& c : cases) {
        db.exec(QStringLiteral("delete from CANCELACIONES; update ARTICULOS set ARTDSC = ARTCAN"));
        EXPECT_TRUE(registerEntry(c.entry));
        EXPECT_EQ(stored(), QStringList{c.row});
        EXPECT_EQ(available(), QStringLiteral("7.5"));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RegistrationScreenTest, OddDeclarationCodesAndHostItemsAreStoredExactly) {
    const QString codes[] = {QStringLiteral("D'Ñandú 1"), QString(200, QLatin1Char('x')) + QLatin1Char('\'')};
    for (const QString& code : codes) {
        declaration(code);
        article({.intndc = code, .artino = 7});
        basGlobal().g_NumeroInterno = QStringLiteral("EXP 'ñ'");
        basGlobal().g_Item = -3;
        pick(code, 7, 0);
        ASSERT_TRUE(registerEntry({}));
        EXPECT_EQ(value(QStringLiteral("select LINORD, INTNDC, EXTNRO, EXTITM, ARTCDS from CANCELACIONES where "
                                       "ARTINO = 7 and INTNDC = %1")
                            .arg(sq(code))),
                  QStringLiteral("1|%1|EXP 'ñ'|-3|2.5").arg(code));
        EXPECT_EQ(value(QStringLiteral("select ARTDSC from ARTICULOS where INTNDC = %1").arg(sq(code))),
                  QStringLiteral("7.5"));
        db.exec(QStringLiteral("delete from CANCELACIONES"));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RegistrationScreenTest, LineOrderCountsPerExportItemAcrossArticles) {
    for (int artino = 2; artino <= 6; ++artino)
        article({.artino = artino});
    struct Case {
        std::vector<Cancellation> existing;
        int expected;
    };
    const Case cases[] = {
        {{}, 1},
        {{{.linord = 1, .artino = 2}, {.linord = 2, .artino = 3}}, 3},
        {{{.linord = 1, .artino = 2}, {.linord = 3, .artino = 3}}, 4}, // a freed number stays free
        {{{.linord = 7, .artino = 2, .extitm = 2}, {.linord = 9, .artino = 3, .extnro = QStringLiteral("EXP-2")}}, 1},
        {{{.linord = 5, .artino = 2, .extnro = QStringLiteral("exp-1")}}, 6}, // codes ignore letter case
    };
    for (const Case& c : cases) {
        db.exec(QStringLiteral("delete from CANCELACIONES"));
        for (const Cancellation& existing : c.existing)
            cancellation(existing);
        ASSERT_TRUE(registerEntry({}));
        EXPECT_EQ(value(QStringLiteral("select LINORD from CANCELACIONES where ARTINO = 1")),
                  QString::number(c.expected));
    }
    // Article after article on one export item: 1, 2, 3.
    db.exec(QStringLiteral("delete from CANCELACIONES"));
    for (int artino = 1; artino <= 3; ++artino) {
        pick(QStringLiteral("D-1"), artino, 0);
        ASSERT_TRUE(registerEntry({}));
    }
    EXPECT_EQ(db.query(QStringLiteral("select ARTINO || ':' || LINORD from CANCELACIONES order by ARTINO")),
              QStringList({QStringLiteral("1:1"), QStringLiteral("2:2"), QStringLiteral("3:3")}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RegistrationScreenTest, ASecondCancellationAgainstTheSameExportItemIsRefused) {
    cancellation({.linord = 1, .artcds = 1});
    db.exec(QStringLiteral("update ARTICULOS set ARTDSC = 9"));
    EXPECT_FALSE(registerEntry({}));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("64 Este articulo ya relacionado con el Item")});
    EXPECT_EQ(stored().size(), 1);
    EXPECT_EQ(available(), QStringLiteral("9.0"));
    screen().unload();

    // Against another item of the host it is accepted, and the total covers both.
    basGlobal().g_Item = 2;
    EXPECT_TRUE(registerEntry({}));
    EXPECT_EQ(value(QStringLiteral("select LINORD, ARTCDS from CANCELACIONES where EXTITM = 2")),
              QStringLiteral("1|2.5"));
    EXPECT_EQ(available(), QStringLiteral("6.5"));
}

TEST_F(RegistrationScreenTest, AvailabilityIsRecomputedFromEveryCancellationRounded) {
    cancellation({.linord = 1, .artcds = 1.2345, .extnro = QStringLiteral("EXP-9"), .extitm = 3});
    db.exec(QStringLiteral("update ARTICULOS set ARTDSC = 8.7655"));
    open();
    EXPECT_EQ(label("lbARTDSC"), QStringLiteral("08,77"));
    screen().unload();
    ASSERT_TRUE(registerEntry({.quantity = QStringLiteral("2")}));
    EXPECT_EQ(available(), QStringLiteral("6.77")); // 10 - round(1.2345 + 2)
    EXPECT_EQ(basGlobal().g_CantidadDescontada, QStringLiteral("2"));
}

TEST_F(RegistrationScreenTest, FailedStatementsLeaveTheScreenOpen) {
    struct Case {
        const char* setup;
        const char* undo;
        const char* message;
        int rows;
    };
    const Case cases[] = {
        {"create trigger qx_block before insert on CANCELACIONES begin select raise(abort, 'blocked'); end",
         "drop trigger qx_block", "16 Error en descontar Cantidad", 0},
        // No transaction: the cancellation stays while the availability is not updated.
        {"create trigger qx_block before update on ARTICULOS begin select raise(abort, 'blocked'); end",
         "drop trigger qx_block", "16 Error en actualizar CANTIDAD DISPONIBLE", 1},
        {"insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
         "values (32767, 'D-1', 9, 0, 1, 'EXP-1', 1)",
         "delete from CANCELACIONES",
         "16 6 - Overflow\r\n\r\nSección [QuendarxDLL.frmRELART.lf_Descontar", 0},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        db.exec(QString::fromLatin1(c.setup));
        EXPECT_FALSE(registerEntry({}));
        EXPECT_EQ(messages(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(db.query(QStringLiteral("select 1 from CANCELACIONES where ARTINO = 1")).size(), c.rows);
        EXPECT_EQ(available(), QStringLiteral("10.0"));
        EXPECT_EQ(basGlobal().g_CantidadDescontada, QString());
        screen().unload();
        db.exec(QString::fromLatin1(c.undo));
        db.exec(QStringLiteral("delete from CANCELACIONES"));
    }
}

} // namespace
