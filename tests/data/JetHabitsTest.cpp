// The engine habits the statements rely on: regional numbers and dates written as quoted
// texts are stored as numbers and ISO dates, cdbl() reads regional numbers, and codes
// compare without regard to case.
#include "DataTestUtil.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "platform/Regional.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace quendarx;
using namespace quendarx::sql;
using quendarx::test::ConnectedDatabase;
using quendarx::test::ScratchDatabase;

namespace {

void addDeclarationAndArticle(ConnectedDatabase& t, const QString& can, const QString& uni,
                              const QString& fob) {
    ASSERT_EQ(t.execute(insertDeclaration(QStringLiteral("1024"), QStringLiteral("D1"),
                                          QStringLiteral("Repuestos"), QStringLiteral("2024-03-15"))),
              1);
    ASSERT_EQ(t.execute(insertArticle({QStringLiteral("RT-4410"), QStringLiteral("D1"),
                                       QStringLiteral("1"), QStringLiteral("0"),
                                       QStringLiteral("8448.59.90"), can, uni, fob, can})),
              1);
}

} // namespace

TEST(JetHabits, RegionalNumbersInDoubleColumnsAreStoredAsNumbers) {
    struct Case {
        QLocale locale;
        const char *can, *uni, *fob;
    };
    const Case cases[] = {
        {quendarx::test::esAR(), "05,00", "01,5000", "07,50"},
        {quendarx::test::enUS(), "05.00", "01.5000", "07.50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        ScopedLocale locale(c.locale);
        ConnectedDatabase t;
        addDeclarationAndArticle(t, QString::fromLatin1(c.can), QString::fromLatin1(c.uni),
                                 QString::fromLatin1(c.fob));
        EXPECT_EQ(t.db.query(QStringLiteral("select typeof(ARTCAN), ARTCAN, ARTUNI, ARTFOB, ARTDSC "
                                            "from ARTICULOS")),
                  QStringList{QStringLiteral("real|5.0|1.5|7.5|5.0")});
        ASSERT_EQ(t.execute(insertArticle({QStringLiteral("RT-4411"), QStringLiteral("D1"),
                                           QStringLiteral("2"), QStringLiteral("0"), {},
                                           Regional::format(12.25, QStringLiteral("00.00")),
                                           Regional::format(1, QStringLiteral("00.0000")),
                                           Regional::format(12.25, QStringLiteral("00.00")),
                                           Regional::format(12.25, QStringLiteral("00.00"))})),
                  1);
        EXPECT_EQ(t.db.query(QStringLiteral("select sum(ARTCAN) from ARTICULOS")),
                  QStringList{QStringLiteral("17.25")});
    }
}

TEST(JetHabits, ATextThatIsNoNumberIsKeptAsWritten) {
    ScopedLocale locale(quendarx::test::esAR());
    ConnectedDatabase t;
    // "1.5" is no number under a comma locale: it must not turn into 15 or 1.5 silently.
    addDeclarationAndArticle(t, QStringLiteral("mucho"), QStringLiteral("1.5"), QStringLiteral("07,50"));
    EXPECT_EQ(t.db.query(QStringLiteral("select ARTCAN, ARTFOB from ARTICULOS")),
              QStringList{QStringLiteral("mucho|7.5")});
}

TEST(JetHabits, DeclarationDatesAreStoredIso) {
    struct Case {
        QLocale locale;
        const char* typed;
        const char* stored;
    };
    const Case cases[] = {
        {quendarx::test::esAR(), "15/03/2024", "2024-03-15"},
        {quendarx::test::esAR(), "5-12-26", "2026-12-05"},
        {quendarx::test::enUS(), "03/15/2024", "2024-03-15"},
        {quendarx::test::esAR(), "2024-03-15", "2024-03-15"},
        {quendarx::test::esAR(), "31/02/2024", "31/02/2024"},
        {quendarx::test::esAR(), "ayer", "ayer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ScopedLocale locale(c.locale);
        ConnectedDatabase t;
        ASSERT_EQ(t.execute(insertDeclaration(QStringLiteral("1"), QStringLiteral("D1"),
                                              QStringLiteral("x"), QString::fromLatin1(c.typed))),
                  1);
        EXPECT_EQ(t.db.query(QStringLiteral("select INTFOF from OPERACIONES")),
                  QStringList{QString::fromLatin1(c.stored)});
    }
}

TEST(JetHabits, DeclarationsAreListedInDateOrder) {
    ScopedLocale locale(quendarx::test::esAR());
    ConnectedDatabase t;
    const char* const dates[][2] = {{"A", "02/01/2025"}, {"B", "15/03/2024"}, {"C", "01/12/2024"}};
    for (const auto& d : dates)
        ASSERT_EQ(t.execute(insertDeclaration(QStringLiteral("1"), QString::fromLatin1(d[0]),
                                              QStringLiteral("x"), QString::fromLatin1(d[1]))),
                  1);
    EXPECT_EQ(t.db.query(declarationsByDate().replace(QStringLiteral("*"), QStringLiteral("INTNDC"))),
              (QStringList{QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")}));
}

TEST(JetHabits, CancellationTimesAndQuantitiesAreStoredIsoAndNumeric) {
    ScopedLocale locale(quendarx::test::esAR());
    ConnectedDatabase t;
    addDeclarationAndArticle(t, QStringLiteral("20,00"), QStringLiteral("01,0000"), QStringLiteral("20,00"));
    const QDateTime registered(QDate(2024, 3, 15), QTime(10, 20, 30));
    NewCancellation c{QStringLiteral("1"), QStringLiteral("D1"), QStringLiteral("1"), QStringLiteral("0"),
                      QStringLiteral("12,5"), {}, {}, {}, QStringLiteral("7"), QStringLiteral("E1"),
                      QStringLiteral("2"), Regional::generalDate(registered)};
    ASSERT_EQ(t.execute(insertCancellation(c)), 1);
    EXPECT_EQ(t.db.query(QStringLiteral("select LINORD, typeof(ARTINO), ARTCDS, ARTORD, EXTITM, "
                                        "EXTFDC from CANCELACIONES")),
              QStringList{QStringLiteral("1|integer|12.5|7|2|2024-03-15 10:20:30")});

    const ArticleKey key{QStringLiteral("D1"), 1, 0};
    const ExportItem item{QStringLiteral("E1"), 2};
    ASSERT_EQ(t.execute(updateCancellation(key, item,
                                           {QStringLiteral("03,25"), {}, {}, {}, {},
                                            Regional::generalDate(registered.addDays(1))})),
              1);
    EXPECT_EQ(t.db.query(QStringLiteral("select ARTCDS, ARTORD, EXTFDC from CANCELACIONES")),
              QStringList{QStringLiteral("3.25|NULL|2024-03-16 10:20:30")});
}

TEST(JetHabits, AvailableQuantityIsRecomputedWithARegionalTotal) {
    ScopedLocale locale(quendarx::test::esAR());
    ConnectedDatabase t;
    addDeclarationAndArticle(t, QStringLiteral("20,00"), QStringLiteral("01,0000"), QStringLiteral("20,00"));
    const ArticleKey key{QStringLiteral("D1"), 1, 0};
    EXPECT_EQ(t.execute(updateAvailable(key, QStringLiteral("12,5"))), 1);
    EXPECT_EQ(t.db.query(QStringLiteral("select ARTDSC from ARTICULOS")), QStringList{QStringLiteral("7.5")});

    // A total that is no number is a type mismatch: nothing changes.
    quendarx::test::CapturedLog log;
    EXPECT_EQ(t.execute(updateAvailable(key, QStringLiteral("doce"))), 0);
    EXPECT_TRUE(log.text().contains(QStringLiteral("Type mismatch")));
    EXPECT_EQ(t.db.query(QStringLiteral("select ARTDSC from ARTICULOS")), QStringList{QStringLiteral("7.5")});
}

TEST(JetHabits, CdblReadsRegionalNumbersAndPassesNumbersAndNulls) {
    ConnectedDatabase t;
    Recordset rs;
    {
        ScopedLocale locale(quendarx::test::esAR());
        EXPECT_EQ(t.db.query(QStringLiteral("select cdbl('12,5'), cdbl(' -1.234,5 '), cdbl(3), "
                                            "cdbl(2.5), cdbl(null) is null")),
                  QStringList{QStringLiteral("12.5|-1234.5|3.0|2.5|1")});
        quendarx::test::CapturedLog log;
        EXPECT_FALSE(t.recordset(QStringLiteral("select cdbl('1.5') as x"), rs));
        EXPECT_EQ(t.cn.lastError(), QStringLiteral("Type mismatch"));
    }
    ScopedLocale locale(quendarx::test::enUS());
    ASSERT_TRUE(t.recordset(QStringLiteral("select cdbl('1.5') as x"), rs));
    EXPECT_DOUBLE_EQ(rs.Fields(QStringLiteral("x")).toDouble(), 1.5);
}

TEST(JetHabits, CodesCompareWithoutRegardToCase) {
    ConnectedDatabase t;
    t.db.exec(QStringLiteral("insert into OPERACIONES values ('1', '24001IC04000123A', 'x', '2024-01-01')"));
    Recordset rs;
    ASSERT_TRUE(t.recordset(countDeclaration(QStringLiteral("24001ic04000123a")), rs));
    EXPECT_EQ(rs.Fields(QStringLiteral("cant")).toLongLong(), 1);
}

TEST(LocalSchema, CreatingRefusesAnExistingFileAndLeavesItAlone) {
    ScratchDatabase existing;
    existing.exec(QStringLiteral("insert into OPERACIONES values ('1', 'D1', 'x', '2024-01-01')"));
    QString error;
    EXPECT_FALSE(createLocalDatabase(existing.path(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("exists")));
    EXPECT_EQ(existing.query(QStringLiteral("select INTNDC from OPERACIONES")), QStringList{QStringLiteral("D1")});

    EXPECT_FALSE(createLocalDatabase(existing.dir() + QStringLiteral("/no/such/folder/x.db"), &error));
    EXPECT_FALSE(QDir(existing.dir() + QStringLiteral("/no")).exists());
}
