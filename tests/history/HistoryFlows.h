#pragma once
// What the history tests share, on a file and on a server: the clerk's saves on the
// screens, and quendarx-db and the sqlite3 shell run as an operator runs them.
#include "FaultSupport.h"
#include "cancellations/HostOperations.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "stock/frmDespachos.h"
#include <QTest>
#include <QTreeWidget>

namespace quendarx::test {

// quendarx-db (or another program) run to its end, at most a minute, as an operator runs it.
inline WorkerRun runTool(const QStringList& args, const QString& program = QStringLiteral(QX_DB_TOOL)) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        p.kill();
    p.waitForFinished();
    return collect(p);
}

// The clerk's saves against the host's export item; each gives the boxes it showed.
class HistoryClerk {
public:
    explicit HistoryClerk(RecordingMessageBoxes& boxes) : boxes_(boxes) {}

    QStringList registerArticle(int artino, const QString& quantity) {
        choose(artino);
        pressF11(frmRelArt::instance(), {{QStringLiteral("txtDescuento"), quantity}});
        return taken();
    }
    QStringList modifyArticle(int artino, const QString& quantity) {
        choose(artino);
        pressF11(frmModifcar::instance(), {{QStringLiteral("txtARTCDS"), quantity},
                                           {QStringLiteral("TxtARTVEN"), QStringLiteral("31/12/2027")}});
        return taken();
    }
    // The host deletes a cancellation and the clerk answers Yes.
    QStringList deleteArticle(int artino) {
        boxes_.queueAnswer(vbYes);
        Eliminar_Articulo(QStringLiteral("D-1"), std::int16_t(artino), 0);
        return taken();
    }
    // The clerk deletes a declaration on the declarations screen with the Delete key.
    QStringList deleteDeclaration(const QString& code) {
        frmDespachos& screen = frmDespachos::instance();
        screen.showModeless();
        QTreeWidget* list = screen.listView(QStringLiteral("lstV"));
        const auto found = list->findItems(code, Qt::MatchExactly, 0);
        EXPECT_EQ(found.size(), 1);
        if (found.size() == 1) {
            list->setCurrentItem(found.front());
            QTest::keyClick(list, Qt::Key_Delete);
        }
        screen.unload();
        return taken();
    }

private:
    static void choose(int artino) {
        basGlobal().g_INTNDC = QStringLiteral("D-1");
        basGlobal().g_ARTINO = artino;
        basGlobal().g_ARTSNO = 0;
    }
    QStringList taken() {
        const QStringList shown = boxes_.texts();
        boxes_.shown.clear();
        return shown;
    }
    RecordingMessageBoxes& boxes_;
};

} // namespace quendarx::test
