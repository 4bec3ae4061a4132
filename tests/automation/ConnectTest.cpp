// Conectar_DB of both classes: one local data-access instance, reconnected with the
// current path; a failure is reported in one critical system-modal box and gives False.
#include "ComHelpers.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

class Connect : public ::testing::Test {
protected:
    void SetUp() override { resetLibraryState(); }
    void TearDown() override { resetLibraryState(); }
    RecordingMessageBoxes boxes;
};

TEST_F(Connect, APathThatIsNoDatabaseIsReportedAndGivesFalse) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.mdb"));
    const QString notADatabase = dir.filePath(QStringLiteral("notes.txt"));
    {
        QFile f(notADatabase);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a database\n");
    }
    struct Case {
        const char* what;
        QString path;
    };
    for (const Case& c : {Case{"a missing file", missing}, Case{"a folder", dir.path()}, Case{"no path", QString()},
                          Case{"a text file", notADatabase}}) {
        SCOPED_TRACE(c.what);
        boxes.shown.clear();
        auto cm = cancelMain();
        ASSERT_EQ(put(cm.get(), "Ubicacion_Base_Datos", c.path).hr, S_OK);
        const CallResult r = call(cm.get(), "Conectar_DB");
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.vt, VT_BOOL);
        EXPECT_FALSE(r.boolean);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].style, 4112);
        static const QRegularExpression report(
            QStringLiteral("^-?\\d+ - .+\r\n\r\nSección \\[QuendarxDLL\\.clCancelMain\\.Conectar_DB\\]$"),
            QRegularExpression::DotMatchesEverythingOption);
        EXPECT_TRUE(report.match(boxes.shown[0].text).hasMatch()) << boxes.shown[0].text.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});
}

TEST_F(Connect, BothClassesReconnectTheOneLocalInstanceWithTheCurrentPath) {
    ScratchDatabase first;
    ScratchDatabase second;
    auto cm = cancelMain();
    auto im = importar();
    ASSERT_EQ(put(cm.get(), "Ubicacion_Base_Datos", first.path()).hr, S_OK);
    const CallResult r = call(cm.get(), "Conectar_DB");
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_TRUE(r.boolean);
    clConexion* const instance = basGlobal().g_ConexionLocal.get();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->ConnectionString(), kJet + first.path());

    EXPECT_TRUE(call(cm.get(), "Conectar_DB").boolean);
    EXPECT_EQ(basGlobal().g_ConexionLocal.get(), instance);

    ASSERT_EQ(put(im.get(), "Ubicacion_Base_Datos", second.path()).hr, S_OK);
    EXPECT_TRUE(call(im.get(), "Conectar_DB").boolean);
    EXPECT_EQ(basGlobal().g_ConexionLocal.get(), instance);
    EXPECT_EQ(instance->ConnectionString(), kJet + second.path());
    EXPECT_TRUE(instance->Connected());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Connect, TheImporterReportsUnderItsOwnTag) {
    QTemporaryDir dir;
    auto im = importar();
    ASSERT_EQ(put(im.get(), "Ubicacion_Base_Datos", dir.filePath(QStringLiteral("none.mdb"))).hr, S_OK);
    EXPECT_FALSE(call(im.get(), "Conectar_DB").boolean);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, 4112);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral("\r\n\r\nSección [QuendarxDLL.clImportar.Conectar_DB]")))
        << boxes.shown[0].text.toStdString();
}

} // namespace
} // namespace quendarx::test
