// Every statement the library sends to a stock database, in the parameterised form the
// engine runs, finds its rows through an index:
// none reads a whole table to filter it, and the declarations list reads OPERACIONES in
// INTFOF order from its index instead of sorting it.
#include "data/Schema.h"
#include "data/Statements.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdexcept>

using namespace quendarx;
using namespace quendarx::sql;

namespace {

// A stock database opened the way the library opens it, with 50 declarations of 40
// articles and a cancellation each, so the planner sees tables with content.
class StockFile {
public:
    StockFile() {
        db_.exec(QStringLiteral(
            "create temp table n as with recursive c(i) as (select 0 union all select i + 1 from c "
            "where i < 1999) select i from c;"
            "insert into OPERACIONES select i / 40, 'D-' || (i / 40), 'desc', "
            "printf('2024-01-%02d', 1 + i / 40 % 28) from n where i % 40 = 0;"
            "insert into ARTICULOS select 'A', 'D-' || (i / 40), 1 + i % 40, 0, 'N', 10, 1, 10, 10 from n;"
            "insert into CANCELACIONES select i + 1, 'D-' || (i / 40), 1 + i % 40, 0, 1, '', '', '', NULL, "
            "'E-' || (i / 40 % 7), (1 + i % 40) % 3, '2024-01-01 00:00:00' from n"));
        if (sqlite3_open_v2(db_.path().toUtf8().constData(), &handle_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open the stock database");
        registerEngineFunctions(handle_);
    }
    ~StockFile() { sqlite3_close(handle_); }

    // The detail lines of the statement's query plan.
    QStringList plan(const QString& statement) {
        sqlite3_stmt* st = nullptr;
        const QByteArray text = "EXPLAIN QUERY PLAN " + statement.toUtf8();
        if (sqlite3_prepare_v2(handle_, text.constData(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(handle_));
        QStringList lines;
        while (sqlite3_step(st) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
        sqlite3_finalize(st);
        return lines;
    }

private:
    test::ScratchDatabase db_;
    sqlite3* handle_ = nullptr;
};

const ArticleKey kArticle{QStringLiteral("D-7"), 3, 0};
const ExportItem kItem{QStringLiteral("E-2"), 1};

} // namespace

TEST(QueryPlans, NoStatementScansATableItFilters) {
    ScopedLocale locale(test::esAR());
    StockFile stock;
    const std::pair<const char*, Statement> statements[] = {
        {"delete one cancellation", deleteCancellation(kArticle, kItem)},
        {"total cancelled", sumCancelled(kArticle)},
        {"recompute available", updateAvailable(kArticle, QStringLiteral("12,35"))},
        {"cancellations of an item", cancellationsOfItem(kItem)},
        {"cancellations with articles", cancellationsWithArticles(kItem)},
        {"delete declaration cancellations", deleteDeclarationCancellations(kArticle.intndc)},
        {"delete declaration articles", deleteDeclarationArticles(kArticle.intndc)},
        {"delete declaration", deleteDeclaration(kArticle.intndc)},
        {"articles of a declaration", articlesOfDeclaration(kArticle.intndc)},
        {"one article", article(kArticle)},
        {"cancellations of an article", cancellationsOfArticle(kArticle)},
        {"count a cancellation", countCancellation(kArticle, kItem)},
        {"greatest line order", maxLineOrder(kItem)},
        {"available of an article", availableOfArticle(kArticle)},
        {"one cancellation", cancellation(kArticle, kItem)},
        {"rewrite a cancellation",
         updateCancellation(kArticle, kItem, {QStringLiteral("01,00"), {}, {}, {}, {}, QStringLiteral("01/01/2024")})},
        {"count declarations", countDeclaration(kArticle.intndc)},
        {"listing of an export declaration", listingOfDeclaration(kItem.extnro)},
    };
    for (const auto& [name, statement] : statements) {
        const QStringList plan = stock.plan(statement.shape);
        EXPECT_FALSE(plan.isEmpty()) << name;
        for (const QString& line : plan)
            EXPECT_FALSE(line.startsWith(QLatin1String("SCAN "))) << name << ": " << line.toStdString();
    }
}

TEST(QueryPlans, DeclarationsAreReadInDateOrderFromTheirIndex) {
    StockFile stock;
    const QStringList plan = stock.plan(declarationsByDate().shape);
    ASSERT_EQ(plan.size(), 1) << plan.join(QLatin1String("; ")).toStdString();
    EXPECT_TRUE(plan.front().startsWith(QLatin1String("SCAN OPERACIONES USING INDEX"))) << plan.front().toStdString();
}
