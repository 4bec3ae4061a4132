// The import screen. A missing code or description wins over a bad date, a blank or
// impossible date is refused, a code already in stock is found whatever its letter case;
// every refusal keeps the screen open, writes nothing and leaves no outside connection
// behind (the plain order of the checks is in the host script import-stops). Then, while
// the declaration comes in, the progress bar follows every item up to their number.
#include "stock/frmImportar.h"
#include "support/StockTest.h"
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <numeric>

using namespace quendarx;

namespace {

class ImportScreen : public test::StockTest {};

TEST_F(ImportScreen, RefusesWhatTheChecksFindThenFollowsEveryItemOnTheBar) {
    constexpr int kItems = 50;
    const QString outside = db.dir() + QStringLiteral("/outside.db");
    QFile(outside).open(QIODevice::WriteOnly); // an empty file is an empty database
    test::execFile(outside, QStringLiteral("create table item (interno text, id integer);"
                                           "create table groupsubitems (interno text, id integer, idsub integer, "
                                           "idarticulo text, ncm text, cantidad double, preciounitario double, "
                                           "fob double); with recursive n(i) as (select 1 union all select i + 1 "
                                           "from n where i < %1) insert into item select 'EXP-1', i from n;"
                                           "insert into groupsubitems select interno, id, 1, 'A-' || id, '8471', "
                                           "2, 1.5, 3 from item;")
                                .arg(kItems));
    basGlobal().g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outside;
    db.exec(QStringLiteral("insert into OPERACIONES values ('OLD', 'D-1', 'old', '2020-01-01')"));
    frmImportar& screen = frmImportar::instance();
    const auto pressF11 = [&](const QString& code, const QString& description, const QString& date) {
        screen.showModeless();
        screen.textBox(QStringLiteral("txtINTNDC"))->setText(code);
        screen.textBox(QStringLiteral("txtINTDSC"))->setText(description);
        screen.textBox(QStringLiteral("txtINTFOF"))->setText(date);
        boxes.shown.clear();
        QTest::keyClick(screen.textBox(QStringLiteral("txtINTFOF")), Qt::Key_F11);
    };

    const QString refusals[][4] = {
        {"", "desc", "   ", "16 Falta ingresar Codigo de Declaración"},
        {"D-2", "", "   ", "16 Falta ingresar Descripción de Interno"},
        {"D-2", "desc", "   ", "16 Fecha inválida en Fecha de Oficialización"},
        {"D-2", "desc", "31/31/2026", "16 Fecha inválida en Fecha de Oficialización"},
        {"d-1", "desc", "05/12/2026", "48 El número de declaración d-1 ya existe en base de datos"},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE((c[0] + "|" + c[1] + "|" + c[2]).toStdString());
        pressF11(c[0], c[1], c[2]);
        EXPECT_EQ(boxes.texts(), QStringList{c[3]});
        ASSERT_TRUE(screen.isLoaded());
        EXPECT_TRUE(screen.progressBar(QStringLiteral("Pb"))->isHidden());
        EXPECT_EQ(basGlobal().g_ConexionExterna, nullptr);
    }
    EXPECT_EQ(db.query(QStringLiteral("select INTNDC from OPERACIONES")), QStringList{"D-1"});
    EXPECT_EQ(value(QStringLiteral("select count(*) from ARTICULOS")), "0");

    screen.unload(); // a fresh bar
    screen.showModeless();
    QProgressBar* bar = screen.progressBar(QStringLiteral("Pb"));
    std::vector<int> values, expected(kItems);
    std::iota(expected.begin(), expected.end(), 1);
    int maximum = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        values.push_back(value);
        maximum = bar->maximum();
    });
    pressF11(QStringLiteral("D-LONG"), QStringLiteral("larga"), QStringLiteral("05/12/2026"));
    EXPECT_EQ(boxes.texts(), QStringList{"64 Despacho agregado en stock"});
    EXPECT_EQ(values, expected);
    EXPECT_EQ(maximum, kItems);
    EXPECT_EQ(value(QStringLiteral("select count(*) from ARTICULOS where INTNDC = 'D-LONG'")), QString::number(kItems));
    if (screen.isLoaded())
        screen.unload();
}

} // namespace
