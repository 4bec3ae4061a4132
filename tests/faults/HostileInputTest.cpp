// Texts no clerk should type, but some will, in the import screen's fields: quotes,
// backslashes, wildcards, control characters, emoji, blank edges, 10,000 characters, SQL
// fragments. They are stored, listed and handed on exactly as the boxes hold them, or
// refused with the field's own message (the statements' own guard is in the data tests).
#include "FaultSupport.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include <QTest>
#include <QTreeWidget>

using namespace quendarx;
using namespace quendarx::test;

namespace {

const QString kHostile[] = {"O'Brien",
                            "'; drop table ARTICULOS; --",
                            "100%_x% %s%n%1",
                            "tab\there\nline\r\x01\x1b[0m\x7f",
                            "😀👍🏽 envío 🇦🇷 ñÑ",
                            "  padded  ",
                            QString(9999, 'z') + '\''};

QString hexOf(const QString& text) { return QString::fromLatin1(text.toUtf8().toHex().toUpper()); }

} // namespace

// Code and description stored as the boxes hold them, listed on the declarations screen,
// and the code chosen there handed on as stored; a date field holding no date refused with
// its message, and nothing written.
TEST_F(FaultTest, HostileTextsOnTheImportScreenAreStoredListedAndChosenAsGiven) {
    ScratchDatabase db;
    basGlobal().conexionLocal().setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db.path());
    basGlobal().conexionLocal().Connect();
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
    }
    EXPECT_EQ(countRows(db.path(), "from OPERACIONES where INTNDC = 'REFUSED'"), 0);
    resetLibraryState();
    expectStockSound(db.path());
}
