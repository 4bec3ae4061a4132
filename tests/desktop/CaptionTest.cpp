// Every caption of every screen fits its label in the screens' face, the lists show a
// sixteen-character declaration code whole, the pictures show an icon.
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "controls/Form.h"
#include "printing/frmImprimir.h"
#include "state/basGlobal.h"
#include "stock/frmArticulos.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
#include "support/TestSupport.h"
#include <QDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::test;

namespace {

const QString kCode = QStringLiteral("26001IC04000123K");

TEST(Captions, EveryCaptionFitsCodesShowWholeAndPicturesShowAnIcon) {
    ScratchDatabase db;
    ScopedLocale locale{esAR()};
    resetLibraryState();
    LibraryState& g = basGlobal();
    g.conexionLocal().setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db.path());
    g.conexionLocal().Connect();
    db.exec(QStringLiteral("insert into OPERACIONES values ('1047', '%1', 'Repuestos', '2026-01-15');"
                           "insert into ARTICULOS values ('A', '%1', 1, 0, 'N', 20, 1.5, 20, 6);"
                           "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
                           "values (1,'%1',1,0,4,'%1',1)")
                .arg(kCode));
    g.g_INTNDC = kCode;
    g.g_ARTINO = 1;
    g.g_ARTSNO = 0;
    g.g_NumeroInterno = kCode;
    g.g_Item = 1;

    Form* screens[] = {&frmDespachos::instance(), &frmArticulos::instance(), &frmRelArt::instance(),
                       &frmModifcar::instance(),  &frmImportar::instance(),  &frmImprimir::instance()};
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
                ASSERT_GT(list->topLevelItemCount(), 0);
                const QAbstractItemView* view = list; // the width the cells' texts need
                for (int column = 0; column < list->columnCount(); ++column) {
                    if (list->topLevelItem(0)->text(column) == kCode) {
                        EXPECT_GE(list->columnWidth(column), view->sizeHintForColumn(column))
                            << spec.name.toStdString() << " column " << column;
                    }
                }
            }
        }
        screen->unload();
    }
    resetLibraryState();
}

} // namespace
