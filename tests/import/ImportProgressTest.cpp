// The import screen's progress bar while a long declaration comes in: it follows every
// item, shows the number of items as its maximum, and repaints seldom enough not to slow
// the import down.
#include "stock/frmImportar.h"
#include "support/StockTest.h"
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <numeric>

using namespace quendarx;

namespace {

constexpr int kItems = 400;

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

class ImportProgress : public test::StockTest {};

TEST_F(ImportProgress, TheBarFollowsEveryItemAndRepaintsSeldom) {
    const QString outside = db.dir() + QStringLiteral("/outside.db");
    QFile(outside).open(QIODevice::WriteOnly);
    test::execFile(outside,
                   QStringLiteral("create table item (interno text, id integer);"
                                  "create table groupsubitems (interno text, id integer, idsub integer, "
                                  "idarticulo text, ncm text, cantidad double, preciounitario double, "
                                  "fob double);"
                                  "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1)"
                                  " insert into item select 'LONG', i from n;"
                                  "insert into groupsubitems select interno, id, 1, 'A-' || id, '8471', 2, "
                                  "1.5, 3 from item;")
                       .arg(kItems));
    basGlobal().g_BaseExterna = QStringLiteral("Driver=SQLite3;Database=") + outside;
    basGlobal().g_NumeroInterno = QStringLiteral("LONG");

    frmImportar& screen = frmImportar::instance();
    screen.showModeless();
    screen.textBox(QStringLiteral("txtINTNDC"))->setText(QStringLiteral("D-LONG"));
    screen.textBox(QStringLiteral("txtINTDSC"))->setText(QStringLiteral("larga"));
    screen.textBox(QStringLiteral("txtINTFOF"))->setText(QStringLiteral("05/12/2026"));
    QCoreApplication::processEvents();
    QProgressBar* bar = screen.progressBar(QStringLiteral("Pb"));
    PaintCounter counter;
    bar->installEventFilter(&counter);
    std::vector<int> values;
    int maximum = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        values.push_back(value);
        maximum = bar->maximum();
    });

    QElapsedTimer took;
    took.start();
    QTest::keyClick(screen.textBox(QStringLiteral("txtINTFOF")), Qt::Key_F11);
    const qint64 ms = took.elapsed();

    EXPECT_EQ(boxes.texts(), QStringList{"64 Despacho agregado en stock"});
    std::vector<int> expected(kItems);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(values, expected);
    EXPECT_EQ(maximum, kItems);
    // At most one paint for each 40 ms the import took, and a few around it; every step
    // of the bar painted would be hundreds.
    EXPECT_LE(counter.paints, 4 + ms / 40) << ms << " ms";
    EXPECT_EQ(value(QStringLiteral("select count(*) from ARTICULOS where INTNDC = 'D-LONG'")), QString::number(kItems));
}

} // namespace
