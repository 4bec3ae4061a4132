// Regional numbers and dates the statements quote are stored as numbers and ISO dates, order
// numbers as whole numbers, and codes compare without regard to case: on a stock of the
// library, on one another tool made with plain tables, and on one of the previous version.
#include "DataTestUtil.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::sql;
using quendarx::test::ConnectedDatabase;
using quendarx::test::ScratchDatabase;
using quendarx::test::StockKind;

TEST(JetHabits, RegionalTextsAreStoredAsNumbersAndIsoDates) {
    const QLocale es = test::esAR(), en = test::enUS();
    const ArticleKey key{QStringLiteral("D1"), 1, 0};
    const ExportItem item{QStringLiteral("E1"), 2};
    const auto article = [](const char* can, const char* uni, const char* fob) {
        return insertArticle({"RT-2", "D1", "2", "0", {}, can, uni, fob, can});
    };
    const auto declared = [](const char* date) { return insertDeclaration("1", "D2", "x", date); };
    const auto registered = [](const char* artord) {
        return insertCancellation({"1", "D1", "1", "0", "1", {}, {}, {}, artord, "E1", "2", "15/3/2024 10:20:30"});
    };
    const auto modified = [&](const char* cds, const char* artord) {
        return updateCancellation(key, item, {cds, {}, {}, {}, artord, "16/3/2024 10:20:30"});
    };
    const char* articleRow = "select typeof(ARTCAN), ARTCAN, ARTUNI, ARTFOB, ARTDSC from ARTICULOS where ARTINO = 2";
    const char* date = "select INTFOF from OPERACIONES where INTNDC = 'D2'";
    const char* order = "select typeof(ARTORD), ARTORD from CANCELACIONES";
    struct Case {
        QLocale locale;
        bool cancelled;                       // a cancellation is registered first
        std::function<Statement()> statement; // built under the case's regional settings
        int changed;
        const char *query, *stored;
    } cases[] = {
        {en, false, [&] { return article("05.00", "01.5000", "07.50"); }, 1, articleRow, "real|5.0|1.5|7.5|5.0"},
        // A lone separator is the decimal point only when the regional settings say so.
        {es, false, [&] { return article("1.000", "2,5", "1.000,5"); }, 1, articleRow, "real|1000.0|2.5|1000.5|1000.0"},
        {en, false, [&] { return article("1,000", "2.5", "1,000.5"); }, 1, articleRow, "real|1000.0|2.5|1000.5|1000.0"},
        // A text that is no number is kept as written: "mucho" never turns into 0.
        {es, false, [&] { return article("mucho", "01,5000", "07,50"); }, 1, articleRow, "text|mucho|1.5|7.5|mucho"},
        {en, false, [&] { return declared("03/15/2024"); }, 1, date, "2024-03-15"},
        {es, false, [&] { return declared("31/02/2024"); }, 1, date, "31/02/2024"},
        {es, false,
         [&] {
             return insertCancellation({"1", "D1", "1", "0", "12,5", {}, {}, {}, "7", "E1", "2", "15/3/2024 9:05:07"});
         },
         1, "select LINORD, typeof(ARTINO), ARTCDS, ARTORD, EXTITM, EXTFDC from CANCELACIONES",
         "1|integer|12.5|7|2|2024-03-15 09:05:07"},
        {es, true, [&] { return modified("03,25", nullptr); }, 1, "select ARTCDS, ARTORD, EXTFDC from CANCELACIONES",
         "3.25|NULL|2024-03-16 10:20:30"},
        {es, false, [&] { return updateAvailable(key, "12,5"); }, 1, "select ARTDSC from ARTICULOS", "7.5"},
        // A type mismatch changes nothing.
        {es, false, [&] { return updateAvailable(key, "doce"); }, 0, "select ARTDSC from ARTICULOS", "20.0"},
        {es, false, nullptr, 0, "select cdbl('12,5'), cdbl(' -1.234,5 '), cdbl(3), cdbl(2.5), cdbl(null) is null",
         "12.5|-1234.5|3.0|2.5|1"},
        {en, false, nullptr, 0, "select cdbl('1.5'), cdbl('1,234.5')", "1.5|1234.5"},
        {es, false, [&] { return deleteDeclaration("d1"); }, 1, "select count(*) from OPERACIONES", "0"},
        // Order numbers: a regional number is a whole number (half to even), at registration
        // and modification. (What the screens store in stocks of every kind, codes of any
        // letter case and texts kept as typed: the host script other-tools-stock.)
        {es, false, [&] { return registered("13,5"); }, 1, order, "integer|14"},
        {en, false, [&] { return registered("1,000.4"); }, 1, order, "integer|1000"},
        {es, true, [&] { return modified("01,00", "12,5"); }, 1, order, "integer|12"},
        {es, true, nullptr, 0,
         "select cancelaciones.INTNDC from cancelaciones, articulos where cancelaciones.INTNDC = articulos.INTNDC",
         "D1"},
    };
    for (const StockKind kind : {StockKind::Library, StockKind::Plain, StockKind::Previous}) {
        ConnectedDatabase t(kind);
        for (const Case& c : cases) {
            SCOPED_TRACE(int(kind));
            ScopedLocale locale(c.locale);
            const Statement statement = c.statement ? c.statement() : Statement{};
            SCOPED_TRACE(statement.text().isEmpty() ? std::string(c.query) : statement.text().toStdString());
            t.db.exec(QStringLiteral("delete from CANCELACIONES; delete from ARTICULOS; delete from OPERACIONES;"
                                     "insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01');"
                                     "insert into ARTICULOS values ('RT-1', 'D1', 1, 0, null, 20, 1, 20, 20)"));
            if (c.cancelled)
                t.db.exec(QStringLiteral("insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) "
                                         "values (1,'D1',1,0,1,'E1',2)"));
            if (!statement.text().isEmpty()) {
                test::CapturedLog log;
                EXPECT_EQ(t.execute(statement), c.changed);
            }
            EXPECT_EQ(t.db.query(QString::fromLatin1(c.query)), QStringList{QString::fromUtf8(c.stored)});
        }
    }
}

namespace {

// Runs statements through the sqlite3 shell: its exit code and what it printed.
std::pair<int, QString> shell(const QString& path, const QString& statements) {
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), path, statements});
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed()};
}

const QString kShellWrites = QStringLiteral(
    "insert into OPERACIONES values ('9', 'D9', 'shell', '2024-05-02');"
    "insert into ARTICULOS values ('RT-9', 'D9', 1, 0, '1', 10, 1, 10, 10);"
    "insert into CANCELACIONES values (1, 'D9', 1, 0, 4, 'E', 'C', '', 3, 'X9', 1, '2024-05-02 10:00:00');"
    "update ARTICULOS set ARTDSC = 6 where INTNDC = 'D9';"
    "update CANCELACIONES set ARTORD = 4 where INTNDC = 'D9';"
    "update OPERACIONES set INTFOF = '2024-05-03' where INTNDC = 'D9';");

} // namespace

// Creating never overwrites a file; after the library wrote, another client writes all three
// tables and the library lists what it wrote; a file of the previous version refuses such
// writes until upgraded.
TEST(LocalSchema, NothingIsOverwrittenAnyClientWritesAndUpgradeDropsThePreviousTriggers) {
    ScopedLocale locale(test::esAR());
    ConnectedDatabase t;
    QString error;
    EXPECT_FALSE(createLocalDatabase(t.db.path(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("exists")));
    ASSERT_EQ(t.execute(insertDeclaration("1", "D1", "x", "15/03/2024")), 1);
    ASSERT_EQ(t.execute(insertArticle({"RT-1", "D1", "1", "0", {}, "05,00", "01,5000", "07,50", "05,00"})), 1);
    ASSERT_EQ(shell(t.db.path(), kShellWrites).first, 0);
    Recordset rs;
    ASSERT_TRUE(t.recordset(cancellationsWithArticles({QStringLiteral("x9"), 1}), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("ARTORD")).toInt(), 4);
    ASSERT_TRUE(t.recordset(declarationsByDate(), rs));
    EXPECT_EQ(rs.RecordCount(), 2);

    ScratchDatabase previous(StockKind::Previous);
    const auto refused = shell(previous.path(), kShellWrites);
    EXPECT_NE(refused.first, 0);
    EXPECT_TRUE(refused.second.contains(QStringLiteral("no such function: qx_"))) << refused.second.toStdString();
    Upgrade dropped;
    ASSERT_TRUE(upgradeLocalDatabase(previous.path(), &dropped, &error)) << error.toStdString();
    EXPECT_EQ(dropped.triggers.size(), 6);
    EXPECT_EQ(shell(previous.path(), kShellWrites).first, 0);
    ASSERT_TRUE(upgradeLocalDatabase(previous.path(), &dropped, &error));
    EXPECT_TRUE(dropped.triggers.isEmpty());
}
