// What a host script cannot stage: rows that vanish while the modify screen is open, an
// article gone when its deleted cancellation is given back, the available quantity
// recomputed from every cancellation of the article with the total rounded to cents.
#include "cancellations/HostOperations.h"
#include "cancellations/Recompute.h"
#include "cancellations/Registration.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "support/StockTest.h"
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <functional>

using namespace quendarx;

namespace {

class CancellationsTest : public test::StockTest {
protected:
    void SetUp() override {
        StockTest::SetUp();
        // ARTCAN 20: 10 against EXP-1 item 2, 4 against item 1 (the host's), 6 available.
        db.exec("insert into ARTICULOS values ('A', 'D-1', 1, 0, 'N', 20, 1.5, 20, 6);"
                "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM) values "
                "(3, 'D-1', 1, 0, 4, 'EXP-1', 1), (1, 'D-1', 1, 0, 10, 'EXP-1', 2)");
        basGlobal().g_INTNDC = QStringLiteral("D-1");
        basGlobal().g_ARTINO = 1;
        basGlobal().g_ARTSNO = 0;
    }
};

} // namespace

TEST_F(CancellationsTest, AnArticleGoneWhileTheModifyScreenIsOpenOrAfterADeleteIsReported) {
    frmModifcar& screen = frmModifcar::instance();
    screen.showModeless();
    db.exec("delete from ARTICULOS");
    screen.textBox(QStringLiteral("txtARTCDS"))->setText(QStringLiteral("5"));
    screen.textBox(QStringLiteral("TxtARTVEN"))->setText(QStringLiteral("31/12/2027"));
    QTest::keyClick(screen.window()->focusWidget(), Qt::Key_F11);
    EXPECT_EQ(boxes.texts(), QStringList{"16 Error en actualizar CANTIDAD DISPONIBLE"});
    EXPECT_TRUE(screen.isLoaded());
    // What the save wrote before the failing step stays.
    EXPECT_EQ(value(QStringLiteral("select ARTCDS from CANCELACIONES where EXTITM = 1")), "5.0");
    screen.unload();

    boxes.shown.clear();
    boxes.queueAnswer(vbYes);
    EXPECT_FALSE(Eliminar_Articulo(QStringLiteral("D-1"), 1, 0));
    EXPECT_EQ(boxes.texts().mid(1), QStringList{"16 Error en actualizar CANTIDAD DISPONIBLE"}); // after the question
    EXPECT_EQ(value(QStringLiteral("select count(*) from CANCELACIONES where EXTITM = 1")), "0");
}

TEST_F(CancellationsTest, TheAvailableQuantityCountsEveryCancellationRoundedToCents) {
    db.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM) values "
            "(1, 'd-1', 1, 0, 2.3456, 'EXP-2', 1)");
    for (const QLocale& l : {test::esAR(), test::enUS()}) {
        ScopedLocale scoped(l);
        db.exec("update ARTICULOS set ARTDSC = 99");
        EXPECT_EQ(recomputeAvailable({QStringLiteral("D-1"), 1, 0}), QString());
        EXPECT_EQ(value(QStringLiteral("select ARTDSC from ARTICULOS")), "3.65"); // 20 - round(16.3456)
    }
    EXPECT_TRUE(boxes.shown.empty());
}

namespace {

// Records each message with what the registration screen's quantity box shows behind it.
class QuantityBehindTheBoxes : public MessageBoxHandler {
public:
    int show(const QString& text, int /*style*/) override {
        seen << text + QStringLiteral(" | ") + (box ? box->text() : QString());
        return vbOK;
    }
    QLineEdit* box = nullptr;
    QStringList seen;

private:
    ScopedMessageBoxHandler scope_{this};
};

} // namespace

TEST_F(CancellationsTest, TheRegistrationScreenShowsTheQuantityItReadBehindEveryRefusal) {
    QuantityBehindTheBoxes boxesSeen;
    frmRelArt& screen = frmRelArt::instance();
    // 6 are available, and the host's item already has a cancellation of the article.
    for (const char* typed : {"7", "2"}) {
        screen.showModeless();
        boxesSeen.box = screen.textBox(QStringLiteral("txtDescuento"));
        boxesSeen.box->setText(QString::fromLatin1(typed));
        QTest::keyClick(boxesSeen.box, Qt::Key_F11);
        EXPECT_TRUE(screen.isLoaded());
        screen.unload();
    }
    EXPECT_EQ(boxesSeen.seen, (QStringList{"El valor a descontar no puede ser mayor a 06,00 | 07,00",
                                           "Este articulo ya relacionado con el Item | 02,00"}));
}

TEST_F(CancellationsTest, F11ReadsWhatIsLeftAgainWhenTheStockChangedSinceTheScreenOpened) {
    basGlobal().g_NumeroInterno = QStringLiteral("EXP-9");
    // What changes the stock between the screen's opening and F11: 5 more cancelled, 1 left.
    const auto theirs = [this] {
        db.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM) values "
                "(1, 'D-1', 1, 0, 5, 'EXP-2', 1)");
    };
    const auto ours = [] {
        Registration r;
        r.article = {QStringLiteral("D-1"), 1, 0};
        r.exportItem = {QStringLiteral("EXP-2"), 1};
        r.quantity = 5;
        ASSERT_FALSE(registerCancellation(basGlobal().conexionLocal(), basGlobal().valores(), r));
    };
    const struct {
        const char* change;
        std::function<void()> run;
        QStringList messages;
    } cases[] = {
        {"nothing", [] {}, {}},
        {"another client", theirs, {"48 El valor a descontar no puede ser mayor a 01,00"}},
        {"the library's own connection", ours, {"48 El valor a descontar no puede ser mayor a 01,00"}},
        {"another client, then the library connects again",
         [&] {
             theirs();
             basGlobal().conexionLocal().Connect();
         },
         {"48 El valor a descontar no puede ser mayor a 01,00"}},
    };
    for (const auto& c : cases) {
        db.exec("delete from CANCELACIONES where EXTNRO <> 'EXP-1'; update ARTICULOS set ARTDSC = 6");
        basGlobal().conexionLocal().Connect(); // a connection that has seen no change yet, as the next one
        boxes.shown.clear();
        frmRelArt& screen = frmRelArt::instance();
        screen.showModeless();
        c.run();
        QLineEdit* box = screen.textBox(QStringLiteral("txtDescuento"));
        box->setText(QStringLiteral("6"));
        QTest::keyClick(box, Qt::Key_F11);
        EXPECT_EQ(boxes.texts(), c.messages) << c.change;
        EXPECT_EQ(value(QStringLiteral("select count(*) from CANCELACIONES where EXTNRO = 'EXP-9'")),
                  c.messages.isEmpty() ? "1" : "0")
            << c.change;
        if (screen.isLoaded())
            screen.unload();
    }
}

TEST_F(CancellationsTest, TheModifyScreenReadsWhatIsLeftAgainWhenTheStockChangedSinceItOpened) {
    // The host's cancellation holds 4 of the article, and may hold up to 10.
    for (const bool changed : {false, true}) {
        db.exec("delete from CANCELACIONES where EXTNRO <> 'EXP-1'; update CANCELACIONES set ARTCDS = 4 where "
                "EXTITM = 1; update ARTICULOS set ARTDSC = 6");
        boxes.shown.clear();
        frmModifcar& screen = frmModifcar::instance();
        screen.showModeless();
        if (changed) // another workstation cancels 5 more: 5 left for this one
            db.exec("insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, EXTNRO, EXTITM) values "
                    "(1, 'D-1', 1, 0, 5, 'EXP-2', 1)");
        screen.textBox(QStringLiteral("txtARTCDS"))->setText(QStringLiteral("10"));
        screen.textBox(QStringLiteral("TxtARTVEN"))->setText(QStringLiteral("31/12/2027"));
        QTest::keyClick(screen.window()->focusWidget(), Qt::Key_F11);
        EXPECT_EQ(boxes.texts(), changed ? QStringList{"48 El campo CANTIDAD no puede superar 05,00"} : QStringList())
            << changed;
        EXPECT_EQ(value(QStringLiteral("select ARTCDS from CANCELACIONES where EXTITM = 1")), changed ? "4.0" : "10.0")
            << changed;
        if (screen.isLoaded())
            screen.unload();
    }
}
