// The engine habits the statements rely on: regional numbers and dates written as quoted
// texts are stored as numbers and ISO dates, cdbl() reads regional numbers, and codes
// compare without regard to case.
#include "DataTestUtil.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::sql;
using quendarx::test::ConnectedDatabase;
using quendarx::test::ScratchDatabase;

TEST(JetHabits, RegionalTextsAreStoredAsNumbersAndIsoDates) {
    const QLocale es = test::esAR(), en = test::enUS();
    const ArticleKey key{QStringLiteral("D1"), 1, 0};
    const ExportItem item{QStringLiteral("E1"), 2};
    const auto article = [](const char* can, const char* uni, const char* fob) {
        return insertArticle({"RT-2", "D1", "2", "0", {}, can, uni, fob, can});
    };
    const auto declared = [](const char* date) { return insertDeclaration("1", "D2", "x", date); };
    const QString cancellation = insertCancellation(
        {"1", "D1", "1", "0", "12,5", {}, {}, {}, "7", "E1", "2", "15/3/2024 10:20:30"});
    const QString registered = QStringLiteral(
        "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) values (1,'D1',1,0,1,'E1',2)");
    struct Case {
        QLocale locale;
        QString setup, statement;
        int changed;
        const char *query, *stored;
    } cases[] = {
        {es, {}, article("05,00", "01,5000", "07,50"), 1,
         "select typeof(ARTCAN), ARTCAN, ARTUNI, ARTFOB, ARTDSC from ARTICULOS where ARTINO = 2", "real|5.0|1.5|7.5|5.0"},
        {en, {}, article("05.00", "01.5000", "07.50"), 1,
         "select typeof(ARTCAN), ARTCAN, ARTUNI, ARTFOB, ARTDSC from ARTICULOS where ARTINO = 2", "real|5.0|1.5|7.5|5.0"},
        // A text that is no number is kept as written: "mucho" never turns into 0.
        {es, {}, article("mucho", "01,5000", "07,50"), 1, "select ARTCAN, ARTFOB from ARTICULOS where ARTINO = 2", "mucho|7.5"},
        {es, {}, declared("15/03/2024"), 1, "select INTFOF from OPERACIONES where INTNDC = 'D2'", "2024-03-15"},
        {es, {}, declared("5-12-26"), 1, "select INTFOF from OPERACIONES where INTNDC = 'D2'", "2026-12-05"},
        {en, {}, declared("03/15/2024"), 1, "select INTFOF from OPERACIONES where INTNDC = 'D2'", "2024-03-15"},
        {es, {}, declared("2024-03-15"), 1, "select INTFOF from OPERACIONES where INTNDC = 'D2'", "2024-03-15"},
        {es, {}, declared("31/02/2024"), 1, "select INTFOF from OPERACIONES where INTNDC = 'D2'", "31/02/2024"},
        {es, {}, declared("ayer"), 1, "select INTFOF from OPERACIONES where INTNDC = 'D2'", "ayer"},
        {es, {}, cancellation, 1, "select LINORD, typeof(ARTINO), ARTCDS, ARTORD, EXTITM, EXTFDC from CANCELACIONES",
         "1|integer|12.5|7|2|2024-03-15 10:20:30"},
        {es, registered, updateCancellation(key, item, {"03,25", {}, {}, {}, {}, "16/3/2024 10:20:30"}), 1,
         "select ARTCDS, ARTORD, EXTFDC from CANCELACIONES", "3.25|NULL|2024-03-16 10:20:30"},
        {es, {}, updateAvailable(key, "12,5"), 1, "select ARTDSC from ARTICULOS", "7.5"},
        {es, {}, updateAvailable(key, "doce"), 0, "select ARTDSC from ARTICULOS", "20.0"}, // a type mismatch
        {es, {}, {}, 0, "select cdbl('12,5'), cdbl(' -1.234,5 '), cdbl(3), cdbl(2.5), cdbl(null) is null",
         "12.5|-1234.5|3.0|2.5|1"},
        {en, {}, {}, 0, "select cdbl('1.5'), cdbl('1,234.5')", "1.5|1234.5"},
        {es, {}, deleteDeclaration("d1"), 1, "select count(*) from OPERACIONES", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement.isEmpty() ? QString::fromLatin1(c.query).toStdString() : c.statement.toStdString());
        ScopedLocale locale(c.locale);
        ConnectedDatabase t;
        t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01');"
                                 "insert into ARTICULOS values ('RT-1', 'D1', 1, 0, null, 20, 1, 20, 20)"));
        if (!c.setup.isEmpty())
            t.db.exec(c.setup);
        if (!c.statement.isEmpty()) {
            test::CapturedLog log;
            EXPECT_EQ(t.execute(c.statement), c.changed);
        }
        EXPECT_EQ(t.db.query(QString::fromLatin1(c.query)), QStringList{QString::fromUtf8(c.stored)});
    }
}

TEST(LocalSchema, CreatingRefusesAnExistingFileAndLeavesItAlone) {
    ScratchDatabase existing;
    existing.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01')"));
    QString error;
    EXPECT_FALSE(createLocalDatabase(existing.path(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("exists")));
    EXPECT_EQ(existing.query(QStringLiteral("select INTNDC from OPERACIONES")), QStringList{"D1"});
    EXPECT_FALSE(createLocalDatabase(existing.dir() + QStringLiteral("/no/such/folder/x.db"), &error));
    EXPECT_FALSE(QDir(existing.dir() + QStringLiteral("/no")).exists());
}
