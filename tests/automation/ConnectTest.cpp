// Conectar_DB: a path that is no stock database is reported in one critical
// system-modal box under the class's own tag and gives False; both classes reconnect
// the one local data-access instance with the current path.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

TEST(Connect, APathThatIsNoDatabaseIsReportedAndGivesFalse) {
    resetLibraryState();
    RecordingMessageBoxes boxes;
    ScratchDatabase stock;
    QFile text(stock.dir() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a database\n");
    text.close();
    struct Case {
        const char* object;
        QString path;
        bool connects;
    } cases[] = {
        {"clCancelMain", stock.dir() + QStringLiteral("/missing.mdb"), false},
        {"clImportar", stock.path(), true},
        {"clCancelMain", stock.dir(), false},
        {"clCancelMain", QString(), false},
        {"clImportar", text.fileName(), false},
        {"clCancelMain", stock.path(), true},
    };
    auto cm = cancelMain();
    auto im = importar();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        boxes.shown.clear();
        IDispatch* object = QByteArray(c.object) == "clImportar" ? im.get() : cm.get();
        ASSERT_EQ(put(object, "Ubicacion_Base_Datos", c.path).hr, S_OK);
        const CallResult r = call(object, "Conectar_DB");
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.vt, VT_BOOL);
        EXPECT_EQ(r.boolean, c.connects);
        EXPECT_EQ(basGlobal().conexionLocal().Connected(), c.connects);
        ASSERT_EQ(boxes.shown.size(), c.connects ? 0u : 1u);
        if (!c.connects) {
            EXPECT_EQ(boxes.shown[0].style, 4112);
            const QRegularExpression report(QStringLiteral("^-?\\d+ - .+\r\n\r\nSección \\[QuendarxDLL\\.%1\\.Conectar_DB\\]$")
                                                .arg(QLatin1String(c.object)),
                                            QRegularExpression::DotMatchesEverythingOption);
            EXPECT_TRUE(report.match(boxes.shown[0].text).hasMatch()) << boxes.shown[0].text.toStdString();
        }
    }
    EXPECT_FALSE(QDir(stock.dir()).exists(QStringLiteral("missing.mdb")));
    resetLibraryState();
}

} // namespace
} // namespace quendarx::test
