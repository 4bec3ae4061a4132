// Texts no clerk should type, and a host should not pass, but some will: quotes,
// backslashes, wildcards, control characters, accents, emoji, blank edges, 10,000
// characters, SQL fragments. They are stored, shown and handed on exactly as given, or
// refused with the field's own message.
#include "FaultSupport.h"
#include "automation/clcancelMain.h"
#include "cancellations/frmRelArt.h"
#include "data/Recordset.h"
#include "platform/RuntimeError.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include <QTest>
#include <QTreeWidget>

using namespace quendarx;
using namespace quendarx::test;

namespace {

const QString kHostile[] = {"O'Brien",
                            "'; drop table ARTICULOS; --",
                            "\\' or 1=1 --",
                            "100%_x%",
                            "%s%n%d%1%%",
                            "tab\there\nline\r\x01\x1b[0m\x7f",
                            "😀👍🏽 envío 🇦🇷 ñÑ",
                            "x' || (select count(*) from OPERACIONES) || '",
                            "  padded  ",
                            QString(9999, 'z') + '\''};

QString hexOf(const QString& text) { return QString::fromLatin1(text.toUtf8().toHex().toUpper()); }

class Hostility : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        basGlobal().g_UbicacionBaseDatos = db.path();
        ASSERT_TRUE(host.Conectar_DB());
    }
    ScratchDatabase db;
    clcancelMain host;
};

} // namespace

// The host's export declaration, a declaration code and the registration screen's
// fields: stored as given, shown and handed to the host as stored, and the host's deletion
// takes that cancellation only; the quantity field and the host's item refuse what is no
// number with their own message or error, the item keeping its value.
TEST_F(Hostility, RegistrationStoresShowsAndDeletesEveryTextAsGiven) {
    db.exec("insert into OPERACIONES values ('1', 'SURVIVOR', 'd', '2026-01-15');"
            "insert into ARTICULOS values ('A', 'SURVIVOR', 1, 0, 'N', 10, 1, 10, 9);"
            "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN, EXTNRO,"
            " EXTITM, EXTFDC) values (1, 'SURVIVOR', 1, 0, 1, '', '', '', 'EXP-1', 1, '2026-01-02 08:00:00')");
    host.Item("1");
    frmRelArt& screen = frmRelArt::instance();
    for (const QString& text : kHostile) {
        SCOPED_TRACE(text.left(40).toStdString());
        const QString hex = hexOf(text);
        db.exec(QStringLiteral("insert into OPERACIONES values ('1', cast(x'%1' as text), 'd', '2026-01-15');"
                               "insert into ARTICULOS values ('A', cast(x'%1' as text), 1, 0, 'N', 10, 1, 10, 10)")
                    .arg(hex));
        host.Numero_Interno(text);
        EXPECT_THROW(host.Item(text), RuntimeError);
        EXPECT_EQ(basGlobal().g_Item, 1);
        basGlobal().g_INTNDC = text;
        basGlobal().g_ARTINO = 1;
        basGlobal().g_ARTSNO = 0;
        EXPECT_FALSE(pressF11(screen, {{"txtDescuento", text}}));
        EXPECT_EQ(takeBoxes(), QStringList{"48 Debe ingresar un valor numérico"});
        EXPECT_TRUE(pressF11(screen, {{"txtDescuento", "2"},
                                      {"txtARTEXP", text},
                                      {"txtARTCER", text},
                                      {"txtARTORD", text},
                                      {"txtARTVEN", text}}));
        EXPECT_EQ(takeBoxes(), QStringList());
        EXPECT_EQ(db.query("select hex(INTNDC), hex(ARTEXP), hex(ARTCER), hex(ARTVEN), hex(EXTNRO), "
                           "ARTORD is null and ARTCDS = 2 from CANCELACIONES where INTNDC != 'SURVIVOR'"),
                  QStringList(QStringList{hex, hex, hex, hex, hex, "1"}.join('|')));

        screen.showModeless(); // the article's next showing lists it
        ASSERT_EQ(screen.listView("ListView1")->topLevelItemCount(), 1);
        EXPECT_EQ(screen.listView("ListView1")->topLevelItem(0)->text(0), text);
        screen.unload();
        RecordsetRef rs;
        ASSERT_TRUE(host.Obtener_Items(rs));
        for (const char* field : {"INTNDC", "ARTEXP", "ARTCER", "ARTVEN"})
            EXPECT_EQ(rs->Fields(field).toString(), text) << field;

        boxes.queueAnswer(vbYes);
        EXPECT_TRUE(host.Eliminar_Articulo(text, 1, 0));
        EXPECT_EQ(takeBoxes().size(), 1); // the question
        EXPECT_EQ(db.query("select INTNDC from CANCELACIONES"), QStringList{"SURVIVOR"});
        EXPECT_EQ(db.query("select ARTDSC from ARTICULOS where hex(INTNDC) = '" + hex + "'"), QStringList{"10.0"});
    }
    resetLibraryState();
    expectStockSound(db.path());
}

// The import screen: code and description stored as the boxes hold them, listed on the
// declarations screen, and the code chosen there handed on as stored; a date field holding
// no date refused with its message, and nothing written.
TEST_F(Hostility, ImportStoresListsAndHandsOnTheBoxesTextsOrRefusesTheDate) {
    const QString outside = db.dir() + "/outside.db";
    makeOutside(outside, "7001", 1, 1);
    basGlobal().g_NumeroInterno = "7001";
    basGlobal().g_BaseExterna = outsideConnection(outside);
    for (const QString& text : kHostile) {
        SCOPED_TRACE(text.left(40).toStdString());
        EXPECT_FALSE(
            pressF11(frmImportar::instance(), {{"txtINTNDC", "REFUSED"}, {"txtINTDSC", text}, {"txtINTFOF", text}}));
        EXPECT_EQ(takeBoxes(), QStringList{"16 Fecha inválida en Fecha de Oficialización"});

        QString code, description;
        EXPECT_TRUE(pressF11(frmImportar::instance(),
                             {{"txtINTNDC", text}, {"txtINTDSC", text}, {"txtINTFOF", "05/12/2026"}}, [&](Form& form) {
                                 code = form.textBox("txtINTNDC")->text();
                                 description = form.textBox("txtINTDSC")->text();
                             }));
        EXPECT_EQ(takeBoxes(), QStringList{"64 Despacho agregado en stock"});
        // The code box keeps its first 16 units, less a character the limit cuts in two.
        EXPECT_EQ(code, text.left(text.size() > 16 && text[15].isHighSurrogate() ? 15 : 16));
        EXPECT_EQ(countRows(db.path(), QStringLiteral("from OPERACIONES where hex(INTNDC) = '%1' and "
                                                      "hex(INTDSC) = '%2'")
                                           .arg(hexOf(code), hexOf(description))),
                  1);
        // Listed as stored (the description trimmed); Enter on its row chooses that code.
        frmDespachos& list = frmDespachos::instance();
        list.showModeless();
        const auto rows = list.listView("lstV")->findItems(code, Qt::MatchExactly, 0);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0]->text(2), description.trimmed());
        list.listView("lstV")->setCurrentItem(rows[0]);
        QTest::keyClick(list.listView("lstV"), Qt::Key_Return);
        EXPECT_FALSE(list.isLoaded());
        EXPECT_EQ(basGlobal().g_INTNDC, code);
        if (list.isLoaded())
            list.unload();
    }
    EXPECT_EQ(countRows(db.path(), "from OPERACIONES where INTNDC = 'REFUSED'"), 0);
    resetLibraryState();
    expectStockSound(db.path());
}
