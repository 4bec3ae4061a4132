// The listing's page layout: the page header, page breaks and the empty line at each
// change of export item, and the cells of a row line.
#include "platform/Regional.h"
#include "printing/Listing.h"
#include "support/TestSupport.h"
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace quendarx;

namespace {

const QString kRule = QString(91, QLatin1Char('-'));
const ListingHeader kHeader{QStringLiteral("sábado, 5 de diciembre de 2026"),
                            QStringLiteral("EXP-001")};

// Rows of the given export items in listing order; each row is told apart by its
// declaration "D-<index>". Lean rows leave the item and sub-item cells empty.
std::vector<ListingRow> rowsOfItems(const std::vector<int>& items, bool lean = false) {
    std::vector<ListingRow> rows;
    for (std::size_t i = 0; i < items.size(); ++i) {
        ListingRow row;
        row.EXTITM = items[i];
        row.pINTNDC = QStringLiteral("D-%1").arg(i);
        row.ARTNCM = QStringLiteral("8471.30.00");
        if (!lean) {
            row.pARTINO = QString::number(i % 1000);
            row.pARTSNO = QStringLiteral("0");
        }
        row.ARTCDS = 1.25;
        row.ARTEXP = QStringLiteral("EX-9");
        row.ARTCER = QStringLiteral("CER-1");
        row.ARTORD = QStringLiteral("1");
        rows.push_back(row);
    }
    return rows;
}

// A page's lines; every line of a page ends with CR LF.
QStringList linesOf(const QString& page) {
    EXPECT_TRUE(page.endsWith(QStringLiteral("\r\n")));
    QStringList lines = page.split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')));
    return lines;
}

constexpr int kTitleLines = 7;
constexpr int kHeadLines = 4;

} // namespace

TEST(ListingLayout, PageOneOfTwoBeginsWithTheTitleAndTheColumnHeadings) {
    const QStringList pages = listingPages(rowsOfItems(std::vector<int>(51, 1)), kHeader);
    ASSERT_EQ(pages.size(), 2);
    const QStringList lines = linesOf(pages[0]);
    const QStringList expected{
        QStringLiteral("LISTADO CANCELACIONES"),
        QStringLiteral("---------------------"),
        QString(),
        QStringLiteral("  FECHA: sábado, 5 de diciembre de 2026"),
        QStringLiteral("INTERNO: EXP-001"),
        QString(),
        kRule,
        QStringLiteral("Pagina 0001 de 0002"),
        kRule,
        QStringLiteral("ITEM      DECLARACION        POSICIÓN ITEM SBIT  CANTIDAD    EXPEDIENTE"
                       "      CERTIFICADO OR"),
        QStringLiteral("---- ---------------- --------------- ---- ---- --------- ------------- "
                       "---------------- --"),
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(lines.mid(0, expected.size()), expected);
    EXPECT_EQ(lines[9].size(), 91);
    EXPECT_EQ(lines[10].size(), 91);
}

TEST(ListingLayout, RowLineCutsLongValuesAndAlignsEveryCellRight) {
    ScopedLocale locale(test::esAR());
    ListingRow row;
    row.EXTITM = 7;
    row.pINTNDC = QStringLiteral("26001IC04000123X");
    row.ARTNCM = QStringLiteral("8471.30.00");
    row.pARTINO = QStringLiteral("7");
    row.pARTSNO = QStringLiteral("0");
    row.ARTCDS = 2.5;
    row.ARTEXP = QStringLiteral("EX-9");
    row.ARTCER = QStringLiteral("CERT-0123456789ABCDE"); // 20 characters
    row.ARTORD = QString();
    EXPECT_EQ(listingRowLine(row),
              QStringLiteral(" 007 26001IC04000123X      8471.30.00  007  000     02,50          "
                             "EX-9 CERT-0123456789A   \r\n"));
}

TEST(ListingLayout, CellsFollowTheLocaleAndThePatterns) {
    struct Case {
        QLocale locale;
        double quantity;
        QString item, artino;
        QString quantityCell, itemCell, artinoCell;
    };
    const Case cases[] = {
        {test::esAR(), 2.5, QStringLiteral("7"), QStringLiteral("7"), QStringLiteral("02,50"),
         QStringLiteral("007"), QStringLiteral("007")},
        {test::enUS(), 2.5, QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("02.50"),
         QStringLiteral("007"), QStringLiteral("012")},
        {test::esAR(), 1234.567, QStringLiteral("1000"), QStringLiteral("A1"),
         QStringLiteral("1234,57"), QStringLiteral("1000"), QStringLiteral("A1")},
        {test::enUS(), 0.005, QStringLiteral("0"), QString(), QStringLiteral("00.01"),
         QStringLiteral("000"), QString()},
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

// Every count of rows from 1 to 300 spread over 1 to 7 export items, in even blocks or
// in uneven ones: every row is printed once and in order, the page lines count the pages,
// an empty line stands exactly between rows of different items on one page, no body
// starts with one, and every page but the last is full.
TEST(ListingLayout, EveryRowIsPrintedOnceUnderTheRulesOfThePage) {
    const QRegularExpression pageLine(QStringLiteral("^Pagina (\\d{4}) de (\\d{4})$"));
    for (int rowCount = 1; rowCount <= 300; ++rowCount) {
        for (int itemCount = 1; itemCount <= 7; ++itemCount) {
            // Uneven: quadratic block edges, so that the last items get long runs.
            const bool uneven = (rowCount + itemCount) % 2 == 1;
            SCOPED_TRACE(QStringLiteral("%1 rows, %2 items%3")
                             .arg(rowCount)
                             .arg(itemCount)
                             .arg(uneven ? QStringLiteral(", uneven") : QString())
                             .toStdString());
            std::vector<int> items;
            for (long long i = 0; i < rowCount; ++i) {
                const long long n = rowCount;
                items.push_back(
                    1 + static_cast<int>(uneven ? i * i * itemCount / (n * n) : i * itemCount / n));
            }
            const QStringList pages = listingPages(rowsOfItems(items, true), kHeader);
            ASSERT_FALSE(pages.isEmpty());
            const int total = static_cast<int>(pages.size());

            int printed = 0;
            for (int p = 1; p <= total; ++p) {
                const QStringList lines = linesOf(pages[p - 1]);
                const int head = p == 1 ? kTitleLines : 0;
                EXPECT_EQ(lines[0] == QStringLiteral("LISTADO CANCELACIONES"), p == 1);
                const auto match = pageLine.match(lines[head]);
                ASSERT_TRUE(match.hasMatch()) << lines[head].toStdString();
                EXPECT_EQ(match.captured(1).toInt(), p);
                EXPECT_EQ(match.captured(2).toInt(), total);

                const QStringList body = lines.mid(head + kHeadLines);
                ASSERT_FALSE(body.isEmpty());
                EXPECT_FALSE(body.front().isEmpty());
                int rowLines = 0;
                bool emptyBefore = false;
                for (const QString& line : body) {
                    if (line.isEmpty()) {
                        EXPECT_FALSE(emptyBefore);
                        emptyBefore = true;
                        continue;
                    }
                    // The rows come in order: row i is the one of declaration D-i.
                    ASSERT_EQ(line.size(), 91);
                    ASSERT_EQ(line.mid(5, 16).trimmed(), QStringLiteral("D-%1").arg(printed));
                    if (rowLines > 0) {
                        const int item = items[static_cast<std::size_t>(printed)];
                        const int previous = items[static_cast<std::size_t>(printed - 1)];
                        EXPECT_EQ(emptyBefore, item != previous) << printed;
                    }
                    emptyBefore = false;
                    ++printed;
                    ++rowLines;
                }
                EXPECT_FALSE(emptyBefore);
                EXPECT_LE(rowLines, 50);
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
