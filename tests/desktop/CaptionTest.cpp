// Every screen in its face: captions fit their labels, pictures show an icon, bold labels
// carry clearly more ink than regular ones, and lists long enough to scroll keep every
// column in view, with codes that differ only near their end drawn apart.
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "printing/frmImprimir.h"
#include "stock/frmArticulos.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include "support/StockTest.h"
#include <QDialog>
#include <QFontInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

using namespace quendarx;
using namespace quendarx::test;

namespace {

// How far each pixel is from the corner's (background) colour, added up.
qint64 ink(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(0, 0);
    qint64 total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            total += std::abs(qRed(p) - qRed(background)) + std::abs(qGreen(p) - qGreen(background)) +
                     std::abs(qBlue(p) - qBlue(background));
        }
    return total;
}

void checkList(QTreeWidget* list) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->verticalScrollBar()->isVisible(); }, 3000));
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    const bool codes = list->topLevelItem(0)->text(0).size() == 16;
    int total = 0;
    for (int column = 0; column < list->columnCount(); ++column) {
        total += list->columnWidth(column);
        const QAbstractItemView* view = list; // the width the texts need
        if ((column > 0 || !codes) && list->headerItem()->text(column) != u"Descripción") {
            EXPECT_GE(list->columnWidth(column), view->sizeHintForColumn(column)) << column;
        }
    }
    EXPECT_LE(total, list->viewport()->width());
    if (!codes)
        return;
    list->scrollToTop();
    const auto cell = [&](int row) {
        return list->viewport()->grab(list->visualRect(list->model()->index(row, 0))).toImage();
    };
    EXPECT_FALSE(cell(0) == cell(1)) << list->topLevelItem(1)->text(0).toStdString();
}

using Captions = StockTest;

TEST_F(Captions, CaptionsFitListsKeepTheirColumnsPicturesShowAnIconAndBoldIsHeavier) {
    // 46 declarations and articles, 16 cancellations, codes differing only near their end.
    const QString n = QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 45) ");
    db.exec(n +
            "insert into OPERACIONES select 1000 + i, printf('26001IC04000%03dK', 123 + i), "
            "'Repuestos de maquinaria agricola, lote ' || i, '2024-07-11' from n;" +
            n +
            "insert into ARTICULOS select 'A', '26001IC04000123K', 1 + i, 0, '8471.30.00', 20, 1.5, 20, "
            "(1 - i % 2) * 6 from n;" +
            n +
            "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM,EXTFDC) select 1, "
            "'26001IC04000123K', 1, 0, 0.25, printf('26001EC01000%03dK', 200 + i), 1, '2024-07-11 16:05:59' "
            "from n where i <= 15;");
    LibraryState& g = basGlobal();
    g.g_INTNDC = QStringLiteral("26001IC04000123K");
    g.g_ARTINO = 1;
    g.g_ARTSNO = 0;
    g.g_NumeroInterno = QStringLiteral("26001EC01000200K");

    Form* screens[] = {&frmDespachos::instance(), &frmArticulos::instance(), &frmRelArt::instance(),
                       &frmModifcar::instance(),  &frmImportar::instance(),  &frmImprimir::instance()};
    int boldLabels = 0;
    for (Form* screen : screens) {
        SCOPED_TRACE(screen->name().toStdString());
        screen->showModeless();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(screen->window()));
        EXPECT_EQ(QFontInfo(screen->window()->font()).family(), "Tahoma");
        for (const ControlSpec& spec : screen->controlTable()) {
            SCOPED_TRACE(spec.name.toStdString());
            QWidget* control = screen->control(spec.name);
            auto* label = qobject_cast<QLabel*>(control);
            if (spec.name.startsWith(u"Image")) {
                EXPECT_FALSE(label->pixmap().isNull());
            }
            if (auto* list = qobject_cast<QTreeWidget*>(control))
                checkList(list);
            if (!label || label->text().isEmpty())
                continue;
            EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(spec.caption), control->width());
            if (!spec.bold)
                continue;
            const qint64 bold = ink(label->grab().toImage());
            QFont regular = label->font();
            regular.setBold(false);
            label->setFont(regular);
            EXPECT_GT(bold * 100, ink(label->grab().toImage()) * 115);
            ++boldLabels;
        }
        screen->unload();
    }
    EXPECT_GE(boldLabels, 7);
}

} // namespace
