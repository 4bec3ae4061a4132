// The listing's page layout: the page header, page breaks and the empty line at each
// change of export item, and the cells of a row line in both locales. The exact title
// block, headings and a full row line are in the host script listing-two-pages.
#include "printing/Listing.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

using namespace quendarx;

namespace {

const ListingHeader kHeader{QStringLiteral("sábado, 5 de diciembre de 2026"), QStringLiteral("EXP-001")};

// Rows of the given export items in listing order; each row is told apart by its
// declaration "D-<index>".
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

TEST(ListingLayout, CellsFollowTheLocaleAndThePatterns) {
    const struct Case {
        QLocale locale;
        double quantity;
        QString item, artino, quantityCell, itemCell, artinoCell;
    } cases[] = {
        {test::esAR(), 2.5, "7", "7", "02,50", "007", "007"},
        {test::enUS(), 2.5, "7", "12", "02.50", "007", "012"},
        {test::esAR(), 1234.567, "1000", "A1", "1234,57", "1000", "A1"},
        {test::enUS(), 0.005, "0", {}, "00.01", "000", {}},
    };
    for (const Case& c : cases) {
        ScopedLocale locale(c.locale);
        ListingRow row;
        row.EXTITM = c.item.toDouble();
        row.ARTCDS = c.quantity;
        row.pARTINO = c.artino;
        const auto cells = listingCells(row);
        EXPECT_EQ(cells[0], c.itemCell);
        EXPECT_EQ(cells[3], c.artinoCell);
        EXPECT_EQ(cells[5], c.quantityCell);
        // In the row line the quantity stands right-aligned in its nine characters.
        EXPECT_EQ(listingRowLine(row).mid(48, 9), c.quantityCell.rightJustified(9));
    }
}

// Every count of rows from 1 to 160 (four pages) spread over 1 to 7 export items, in even blocks or
// in uneven ones: every row is printed once and in order, the page lines count the pages,
// an empty line stands exactly between rows of different items on one page, no body
// starts or ends with one, and every page but the last is full.
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
