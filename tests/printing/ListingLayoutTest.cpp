// The listing's page layout: the page header, page breaks and the empty line at each
// change of export item (the exact texts are in the host script of the listing).
#include "printing/Listing.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

using namespace quendarx;

namespace {

const ListingHeader kHeader{QStringLiteral("sábado, 5 de diciembre de 2026"), QStringLiteral("EXP-001")};

// Rows of the given export items, row i of declaration "D-i".
std::vector<ListingRow> rowsOfItems(const std::vector<int>& items) {
    std::vector<ListingRow> rows;
    for (std::size_t i = 0; i < items.size(); ++i) {
        ListingRow row;
        row.EXTITM = items[i];
        row.pINTNDC = QStringLiteral("D-%1").arg(i);
        row.ARTNCM = QStringLiteral("8471.30.00");
        row.ARTCDS = 1.25;
        row.ARTCER = QStringLiteral("CER-1");
        rows.push_back(row);
    }
    return rows;
}

constexpr int kTitleLines = 7;
constexpr int kHeadLines = 4;

} // namespace

// 1 to 160 rows (four pages) over 1 to 7 export items, in even or uneven blocks: every row
// printed once and in order, an empty line exactly between items on a page (never first or
// last), every page but the last full.
TEST(ListingLayout, EveryRowIsPrintedOnceUnderTheRulesOfThePage) {
    for (int rowCount = 1; rowCount <= 160; ++rowCount) {
        for (int itemCount = 1; itemCount <= 7; ++itemCount) {
            // Uneven: quadratic block edges, so that the last items get long runs.
            const bool uneven = (rowCount + itemCount) % 2 == 1;
            SCOPED_TRACE(testing::Message()
                         << rowCount << " rows, " << itemCount << " items" << (uneven ? ", uneven" : ""));
            std::vector<int> items;
            for (long long i = 0; i < rowCount; ++i) {
                const long long n = rowCount;
                items.push_back(1 + static_cast<int>(uneven ? i * i * itemCount / (n * n) : i * itemCount / n));
            }
            const QStringList pages = listingPages(rowsOfItems(items), kHeader);
            const auto total = pages.size();
            int printed = 0;
            for (int p = 1; p <= total; ++p) {
                QStringList lines = pages[p - 1].split(QStringLiteral("\r\n"));
                ASSERT_TRUE(lines.takeLast().isEmpty()); // every line ends with CR LF
                const int head = p == 1 ? kTitleLines : 0;
                EXPECT_EQ(lines[0] == QStringLiteral("LISTADO CANCELACIONES"), p == 1);
                EXPECT_EQ(lines[head], QStringLiteral("Pagina %1 de %2")
                                           .arg(p, 4, 10, QLatin1Char('0'))
                                           .arg(total, 4, 10, QLatin1Char('0')));
                const QStringList body = lines.mid(head + kHeadLines);
                ASSERT_FALSE(body.isEmpty());
                EXPECT_FALSE(body.front().isEmpty());
                EXPECT_FALSE(body.back().isEmpty());
                for (int i = 0; i < body.size(); ++i) {
                    if (body[i].isEmpty()) {
                        EXPECT_FALSE(body.value(i + 1).isEmpty()) << "two empty lines";
                        continue;
                    }
                    // The rows come in order: row i is the one of declaration D-i.
                    ASSERT_EQ(body[i].size(), 91);
                    ASSERT_EQ(body[i].mid(5, 16).trimmed(), QStringLiteral("D-%1").arg(printed));
                    if (i > 0) {
                        const auto row = static_cast<std::size_t>(printed);
                        const bool newItem = items[row] != items[row - 1];
                        EXPECT_EQ(body[i - 1].isEmpty(), newItem) << printed;
                    }
                    ++printed;
                }
                // 50 lines, or 51 when an item's empty line fell on the 50th.
                EXPECT_LE(body.size(), 51);
                if (body.size() == 51) {
                    EXPECT_TRUE(body[49].isEmpty());
                }
                if (p < total) {
                    EXPECT_GE(body.size(), 50);
                }
            }
            ASSERT_EQ(printed, rowCount);
        }
    }
}
