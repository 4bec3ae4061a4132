#pragma once
// What the history tests share, on a file and on a server: the clerk's saves on the
// screens, and quendarx-db and the sqlite3 shell run as an operator runs them.
#include "FaultSupport.h"
#include "MeetingSaves.h"
#include "cancellations/HostOperations.h"
#include "cancellations/frmModifcar.h"
#include "cancellations/frmRelArt.h"
#include "data/History.h"
#include "platform/Clock.h"
#include "stock/frmDespachos.h"
#include "stock/frmImportar.h"
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
    // The boxes shown since the last call, as "STYLE text".
    QStringList taken() {
        const QStringList shown = boxes_.texts();
        boxes_.shown.clear();
        return shown;
    }

private:
    static void choose(int artino) {
        basGlobal().g_INTNDC = QStringLiteral("D-1");
        basGlobal().g_ARTINO = artino;
        basGlobal().g_ARTSNO = 0;
    }
    RecordingMessageBoxes& boxes_;
};

// A clerk's day on declaration D-1 (articles 1 to 3 with 1000 available, a cancellation
// of article 3 against another export item) at 10:30 on 5 December 2026: an import, two
// registrations, a modification, the host deleting a cancellation and the clerk the
// declaration. Every save leaves one entry; both deletions come back value for value
// (`snapshot` gives every stored value) with `quendarx-db restore`.
inline void expectEverySaveRecordedAndBothDeletionsRestored(const MeetingStock& stock,
                                                            const std::function<QStringList()>& snapshot,
                                                            HistoryClerk& clerk) {
    QTemporaryDir dir;
    makeOutside(dir.filePath("outside.db"), "7001", 2, 1);
    basGlobal().g_NumeroInterno = "7001";
    basGlobal().g_BaseExterna = outsideConnection(dir.filePath("outside.db"));
    pressF11(frmImportar::instance(), {{"txtINTNDC", "IMP, \"1\""}, {"txtINTDSC", "x"}, {"txtINTFOF", "05/12/2026"}});
    ASSERT_EQ(clerk.taken(), QStringList{"64 Despacho agregado en stock"});
    basGlobal().g_NumeroInterno = "EXP,1";
    ASSERT_EQ(clerk.registerArticle(1, "5,25"), QStringList());
    Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(11, 0, 7)));
    ASSERT_EQ(clerk.registerArticle(2, "7"), QStringList());
    ASSERT_EQ(clerk.modifyArticle(1, "3"), QStringList());
    const QStringList registered = snapshot();
    ASSERT_EQ(clerk.deleteArticle(2), QStringList{"36 Confirma eliminar el articulo perteneciente a\r\nItem: 2\r\n"
                                                  "SubItem: 0\r\nDeclaracion: D-1"});
    const QString available = "select count(*) from ARTICULOS where INTNDC = 'D-1' and ARTINO = 2 and ARTDSC = ";
    ASSERT_EQ(stock.query(available + "1000"), QStringList{"1"});
    const QStringList beforeDeclaration = snapshot();
    ASSERT_EQ(clerk.deleteDeclaration("D-1"), QStringList{"16 Despacho D-1 eliminado"});
    ASSERT_EQ(stock.query("select count(*) from ARTICULOS where INTNDC = 'D-1'"), QStringList{"0"});

    const QString who = history::currentUser() + "," + history::workstation();
    const WorkerRun csv = runTool({"history", stock.location, "--csv"});
    EXPECT_EQ(csv.lines,
              (QStringList{"entry,when,user,workstation,operation,declaration,item,subitem,export_declaration,"
                           "export_item,quantity_before,quantity_after",
                           "1,2026-12-05 10:30:00," + who + ",import,\"IMP, \"\"1\"\"\",,,,,,",
                           "2,2026-12-05 10:30:00," + who + ",registration,D-1,1,0,\"EXP,1\",1,,5.25",
                           "3,2026-12-05 11:00:07," + who + ",registration,D-1,2,0,\"EXP,1\",1,,7",
                           "4,2026-12-05 11:00:07," + who + ",modification,D-1,1,0,\"EXP,1\",1,5.25,3",
                           "5,2026-12-05 11:00:07," + who + ",deletion,D-1,2,0,\"EXP,1\",1,7,",
                           "6,2026-12-05 11:00:07," + who + ",declaration-deletion,D-1,,,,,,"}))
        << csv.errors.toStdString();
    // The deletion of the declaration kept its declaration, its three articles and its two
    // remaining cancellations; the import kept no row.
    EXPECT_EQ(stock.query("select ENTRY, TABLE_NAME, count(*) from HISTORY_ROWS group by ENTRY, TABLE_NAME "
                          "order by ENTRY, TABLE_NAME"),
              (QStringList{"5|CANCELACIONES|1", "6|ARTICULOS|3", "6|CANCELACIONES|2", "6|OPERACIONES|1"}));

    const WorkerRun declaration = runTool({"restore", stock.location, "6"});
    EXPECT_EQ(declaration.lines, QStringList{"restored entry 6 (6 row(s) put back): recorded as entry 7"})
        << declaration.errors.toStdString();
    EXPECT_EQ(snapshot(), beforeDeclaration);
    const WorkerRun cancellation = runTool({"restore", stock.location, "5"});
    EXPECT_EQ(cancellation.exitCode, 0) << cancellation.errors.toStdString();
    EXPECT_EQ(snapshot(), registered);
    EXPECT_EQ(stock.query(available + "993"), QStringList{"1"});
    EXPECT_EQ(stock.query("select OPERATION, REF, INTNDC, ARTINO, EXTNRO, EXTITM, cast(QUANTITY_AFTER as integer) "
                          "from HISTORY where ENTRY > 6 order by ENTRY"),
              (QStringList{"restore|6|D-1|NULL|NULL|NULL|NULL", "restore|5|D-1|2|EXP,1|1|7"}));
    // The clerk goes on with the declaration as before.
    EXPECT_EQ(clerk.registerArticle(3, "1"), QStringList());
    EXPECT_EQ(runTool({"history", stock.location, "--verify"}).exitCode, 0);
}

} // namespace quendarx::test
