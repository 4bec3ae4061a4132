// Every statement the library sends to a stock database, in the form the engine runs, finds
// its rows through an index, and the declarations list reads them in date order from one.
#include "data/Schema.h"
#include "data/Statements.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace quendarx;
using namespace quendarx::sql;

TEST(QueryPlans, NoStatementScansATableItFilters) {
    test::ScratchDatabase db;
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db.path().toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    registerEngineFunctions(handle);
    // The detail lines of the statement's query plan.
    const auto plan = [&](const Statement& statement) {
        const QByteArray text = "EXPLAIN QUERY PLAN " + statement.shape.toUtf8();
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(handle, text.constData(), -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(handle);
        QStringList lines;
        while (st && sqlite3_step(st) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
        sqlite3_finalize(st);
        return lines;
    };
    const ArticleKey a{QStringLiteral("D-7"), 3, 0};
    const ExportItem e{QStringLiteral("E-2"), 1};
    const Statement statements[] = {
        deleteCancellation(a, e),
        sumCancelled(a),
        updateAvailable(a, QStringLiteral("12,35")),
        cancellationsOfItem(e),
        cancellationsWithArticles(e),
        deleteDeclarationCancellations(a.intndc),
        deleteDeclarationArticles(a.intndc),
        deleteDeclaration(a.intndc),
        articlesOfDeclaration(a.intndc),
        article(a),
        cancellationsOfArticle(a),
        countCancellation(a, e),
        maxLineOrder(e),
        availableOfArticle(a),
        cancellation(a, e),
        updateCancellation(a, e, {QStringLiteral("01,00"), {}, {}, {}, {}, QStringLiteral("01/01/2024")}),
        countDeclaration(a.intndc),
        listingOfDeclaration(e.extnro)};
    for (const Statement& statement : statements) {
        const QStringList lines = plan(statement);
        EXPECT_FALSE(lines.isEmpty()) << statement.shape.toStdString();
        for (const QString& line : lines)
            EXPECT_FALSE(line.startsWith("SCAN ")) << statement.shape.toStdString() << ": " << line.toStdString();
    }
    const QStringList byDate = plan(declarationsByDate());
    EXPECT_TRUE(byDate.size() == 1 && byDate[0].startsWith("SCAN OPERACIONES USING INDEX"))
        << byDate.join("; ").toStdString();
    sqlite3_close(handle);
}
