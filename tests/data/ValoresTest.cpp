// The value-conversion component on the values record sets hold.
#include "DataTestUtil.h"
#include "data/clValores.h"
#include "data/Statements.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include <gtest/gtest.h>

using namespace quendarx;

TEST(clValores, NumeroOfNullsNumbersTextsAndDates) {
    ScopedLocale locale(quendarx::test::esAR());
    const clValores v;
    EXPECT_EQ(v.Numero(QVariant()), 0);
    EXPECT_EQ(v.Numero(QVariant(qlonglong(7))), 7);
    EXPECT_EQ(v.Numero(QVariant(12.345)), 12.345);
    EXPECT_EQ(v.Numero(QVariant(QStringLiteral("12,5"))), 12.5);
    EXPECT_EQ(v.Numero(QVariant(QStringLiteral(" 05,00 "))), 5);
    EXPECT_EQ(v.Numero(QVariant(QDateTime(QDate(2024, 3, 15), QTime(18, 0)))), 45366.75);
    EXPECT_EQ(v.Numero(QVariant(QDateTime(QDate(1899, 12, 30), QTime(0, 0)))), 0);
    for (const char* text : {"1.5", "abc", ""}) {
        SCOPED_TRACE(text);
        try {
            v.Numero(QVariant(QString::fromLatin1(text)));
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, errTypeMismatch);
        }
    }
}

TEST(clValores, TextoOfNullsNumbersTextsAndDates) {
    const clValores v;
    const QDateTime when(QDate(2024, 3, 15), QTime(10, 20, 30));
    for (const QLocale& l : {quendarx::test::esAR(), quendarx::test::enUS()}) {
        SCOPED_TRACE(l.name().toStdString());
        ScopedLocale locale(l);
        EXPECT_EQ(v.Texto(QVariant(), 0), QString());
        EXPECT_EQ(v.Texto(QVariant(3.0), 0), QStringLiteral("3"));
        EXPECT_EQ(v.Texto(QVariant(-120.0), 0), QStringLiteral("-120"));
        EXPECT_EQ(v.Texto(QVariant(qlonglong(42)), 0), QStringLiteral("42"));
        EXPECT_EQ(v.Texto(QVariant(12.5), 0), QStringLiteral("12") + Regional::decimalSeparator() + QStringLiteral("5"));
        EXPECT_EQ(v.Texto(QVariant(QStringLiteral("8448.59.90")), 0), QStringLiteral("8448.59.90"));
        EXPECT_EQ(v.Texto(QVariant(when), 0), Regional::generalDate(when));
    }
}

// What the callers read from real queries: a maximum or sum over no rows is 0, so the
// first line order is 1 and a total without cancellations is 0.
TEST(clValores, AggregatesOverNoRowsReadAsZero) {
    quendarx::test::ConnectedDatabase t;
    const clValores v;
    Recordset rs;
    ASSERT_TRUE(t.recordset(sql::maxLineOrder({QStringLiteral("E1"), 1}), rs));
    EXPECT_EQ(v.Numero(rs.Fields(QStringLiteral("mayor"))) + 1, 1);
    ASSERT_TRUE(t.recordset(sql::sumCancelled({QStringLiteral("D1"), 1, 0}), rs));
    EXPECT_EQ(v.Numero(rs.Fields(QStringLiteral("total"))), 0);
    EXPECT_EQ(v.Texto(rs.Fields(QStringLiteral("total"))), QString());
}
