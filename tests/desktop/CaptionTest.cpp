// Every caption of every screen fits its label in the screens' face, lists long
// enough to scroll keep every column in view with declaration codes told apart,
// the pictures show an icon, and bold labels carry clearly more ink than the
// same text drawn regular.
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "controls/Form.h"
#include "printing/frmImprimir.h"
#include "state/basGlobal.h"
#include "stock/frmArticulos.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include "support/StockTest.h"
#include <QDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

const QString kCode = QStringLiteral("26001IC04000123K");

// The picture of one cell as the list draws it.
QImage cellPicture(QTreeWidget* list, int row, int column) {
    const QRect cell = list->visualRect(list->model()->index(row, column));
    return list->viewport()->grab(cell).toImage();
}

// The ink of a picture: how far each pixel is from the corner's (background)
// colour, added up.
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

// A list with more rows than it shows: no horizontal scroll bar, every column
// but the codes' and the description's (which elide) shows its texts whole, the
// dates with their seconds, and two codes that differ only near their end are
// drawn differently, whole or elided in the middle.
void checkColumns(QTreeWidget* list) {
    ASSERT_GT(list->topLevelItemCount(), 1);
    const int codes = list->topLevelItem(0)->text(0).size() == kCode.size() ? 0 : -1;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->verticalScrollBar()->isVisible(); }, 3000))
        << "the list must be long enough to scroll: " << list->topLevelItemCount() << " rows";
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    const QAbstractItemView* view = list; // the width the cells' texts need
    int total = 0;
    for (int column = 0; column < list->columnCount(); ++column) {
        total += list->columnWidth(column);
        if (column != codes && list->headerItem()->text(column) != u"Descripción") {
            EXPECT_GE(list->columnWidth(column), view->sizeHintForColumn(column))
                << "column " << column << " cut: " << list->topLevelItem(1)->text(column).toStdString();
        }
    }
    EXPECT_LE(total, list->viewport()->width());
    if (codes < 0)
        return;
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));
    list->scrollToTop();
    QCoreApplication::processEvents();
    EXPECT_NE(list->topLevelItem(0)->text(0), list->topLevelItem(1)->text(0));
    EXPECT_FALSE(cellPicture(list, 0, codes) == cellPicture(list, 1, codes))
        << "two codes drawn alike: " << list->topLevelItem(0)->text(0).toStdString() << ", "
        << list->topLevelItem(1)->text(0).toStdString();
}

// The number of bold labels checked.
int expectBoldHeavier(Form& screen) {
    int checked = 0;
    for (const ControlSpec& spec : screen.controlTable()) {
        auto* label = qobject_cast<QLabel*>(screen.control(spec.name));
        if (!spec.bold || !label || label->text().isEmpty())
            continue;
        const qint64 boldInk = ink(label->grab().toImage());
        QFont regular = label->font();
        regular.setBold(false);
        label->setFont(regular);
        const qint64 regularInk = ink(label->grab().toImage());
        EXPECT_GT(boldInk * 100, regularInk * 115) << spec.name.toStdString() << " \"" << label->text().toStdString()
                                                   << "\": bold " << boldInk << ", regular " << regularInk;
        ++checked;
    }
    return checked;
}

TEST(Captions, CaptionsFitListsKeepTheirColumnsPicturesShowAnIconAndBoldIsHeavier) {
    ScratchDatabase db;
    ScopedLocale locale{esAR()};
    useStock(db);
    // Enough declarations and cancellations for the lists to scroll; their codes
    // differ only in the digits before the check letter.
    const QString rows = QStringLiteral("with recursive n(i) as (select 1 union "
                                        "all select i + 1 from n where i < 45) ");
    db.exec(QStringLiteral("insert into OPERACIONES values ('1047', '%1', 'Repuestos', "
                           "'2026-01-15');"
                           "insert into ARTICULOS values ('A', '%1', 1, 0, 'N', 20, 1.5, 20, 6);"
                           "insert into CANCELACIONES "
                           "(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
                           "values (1,'%1',1,0,4,'%1',1);")
                .arg(kCode) +
            rows + "insert into ARTICULOS select 'A', '" + kCode +
            "', 1 + i, 0, '8471.30.00', 20, 1.5, 20, (i % 2) * 6 from n;" + rows +
            "insert into OPERACIONES select 1000 + i, printf('26001IC04000%03dK', "
            "200 + i), "
            "'Repuestos de maquinaria agricola, lote ' || i, '2024-07-11' from n;" +
            rows +
            "insert into CANCELACIONES "
            "(LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM,EXTFDC) "
            "select 1, '" +
            kCode +
            "', 1, 0, 0.25, printf('26001EC01000%03dK', 200 + i), 1, "
            "'2024-07-11 16:05:59' from n where i <= 15;");
    LibraryState& g = basGlobal();
    g.g_INTNDC = kCode;
    g.g_ARTINO = 1;
    g.g_ARTSNO = 0;
    g.g_NumeroInterno = kCode;

    Form* screens[] = {&frmDespachos::instance(), &frmArticulos::instance(), &frmRelArt::instance(),
                       &frmModifcar::instance(),  &frmImportar::instance(),  &frmImprimir::instance()};
    int boldLabels = 0;
    for (Form* screen : screens) {
        SCOPED_TRACE(screen->name().toStdString());
        screen->showModeless();
        ASSERT_TRUE(screen->isLoaded());
        EXPECT_EQ(QFontInfo(screen->window()->font()).family(), "Tahoma");
        for (const ControlSpec& spec : screen->controlTable()) {
            QWidget* control = screen->control(spec.name);
            if (spec.kind == ControlKind::Label && !spec.caption.isEmpty()) {
                EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(spec.caption), control->width())
                    << spec.name.toStdString() << " \"" << spec.caption.toStdString() << '"';
            }
            if (spec.name.startsWith(u"Image")) {
                auto* picture = qobject_cast<QLabel*>(control);
                ASSERT_TRUE(picture) << spec.name.toStdString();
                EXPECT_FALSE(picture->pixmap().isNull()) << spec.name.toStdString();
            }
            if (spec.kind == ControlKind::Button) {
                EXPECT_LE(control->sizeHint().width(), control->width()) << spec.name.toStdString();
            }
            if (auto* list = qobject_cast<QTreeWidget*>(control)) {
                checkColumns(list);
            }
        }
        boldLabels += expectBoldHeavier(*screen);
        screen->unload();
    }
    EXPECT_GE(boldLabels, 7);
    resetLibraryState();
    Clock::release();
}

} // namespace
