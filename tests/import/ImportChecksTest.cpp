// What the import screen checks before anything is copied, in both locales: a missing
// code or description wins over a good date, a blank or impossible date is refused, and
// a code already in stock is found whatever its letter case. Every refusal keeps the
// screen open, writes nothing and leaves no outside connection behind. The plain order
// of the checks, one field at a time, is in the host script import-stops.
#include "stock/frmImportar.h"
#include "support/StockTest.h"
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

using namespace quendarx;

namespace {

class ImportChecks : public test::StockTest {
protected:
    void SetUp() override {
        StockTest::SetUp();
        // An outside declaration that would be imported if a check let it through.
        const QString outside = db.dir() + QStringLiteral("/outside.db");
        QFile(outside).open(QIODevice::WriteOnly); // an empty file is an empty database
        test::execFile(outside,
                       QStringLiteral("create table item (interno text, id integer);"
                                      "create table groupsubitems (interno text, id integer, idsub integer, "
                                      "idarticulo text, ncm text, cantidad double, preciounitario double, fob double);"
                                      "insert into item values ('EXP-1', 1);"
                                      "insert into groupsubitems values ('EXP-1', 1, 1, 'A', 'N', 5, 1, 5);"));
        basGlobal().g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outside;
        db.exec(QStringLiteral("insert into OPERACIONES values ('OLD', 'D-1', 'old', '2020-01-01')"));
    }
    void TearDown() override {
        if (frmImportar::instance().isLoaded())
            frmImportar::instance().unload();
        StockTest::TearDown();
    }
};

TEST_F(ImportChecks, FieldsAreCheckedInOrderAndNothingIsWritten) {
    const std::pair<QLocale, QString> locales[] = {{test::esAR(), "05/12/2026"}, {test::enUS(), "12/05/2026"}};
    for (const auto& [l, date] : locales) {
        ScopedLocale scoped(l);
        const QString cases[][4] = {
            {"", "desc", date, "16 Falta ingresar Codigo de Declaración"},
            {"D-2", "", date, "16 Falta ingresar Descripción de Interno"},
            {"D-2", "desc", "   ", "16 Fecha inválida en Fecha de Oficialización"},
            {"D-2", "desc", "31/31/2026", "16 Fecha inválida en Fecha de Oficialización"},
            {"d-1", "desc", date, "48 El número de declaración d-1 ya existe en base de datos"},
        };
        frmImportar& screen = frmImportar::instance();
        screen.showModeless();
        for (const auto& c : cases) {
            SCOPED_TRACE((l.name() + " " + c[0] + "|" + c[1] + "|" + c[2]).toStdString());
            boxes.shown.clear();
            screen.textBox(QStringLiteral("txtINTNDC"))->setText(c[0]);
            screen.textBox(QStringLiteral("txtINTDSC"))->setText(c[1]);
            screen.textBox(QStringLiteral("txtINTFOF"))->setText(c[2]);
            QTest::keyClick(screen.textBox(QStringLiteral("txtINTFOF")), Qt::Key_F11);
            EXPECT_EQ(boxes.texts(), QStringList{c[3]});
            ASSERT_TRUE(screen.isLoaded());
            EXPECT_TRUE(screen.progressBar(QStringLiteral("Pb"))->isHidden());
            EXPECT_EQ(basGlobal().g_ConexionExterna, nullptr);
        }
        screen.unload();
    }
    EXPECT_EQ(db.query(QStringLiteral("select INTNDC from OPERACIONES")), QStringList{"D-1"});
    EXPECT_EQ(value(QStringLiteral("select count(*) from ARTICULOS")), "0");
}

} // namespace
