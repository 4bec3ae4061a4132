#pragma once
// The cancellation listing as text: the cell formatter, the page layout and the page
// texts. Nothing here prints; the listing screen and the file output send the texts on.
//
// A page: the title block (page 1 only), "Pagina 0001 de 0002", a rule, the heading
// line, the underline, then at most `linesPerPage` body lines: one line per row and an
// empty line before each row whose export item differs from the previous row's on the
// same page. The empty line counts as a body line and is added even when it fills the
// page, so a page holds at most linesPerPage rows and at most linesPerPage + 1 body
// lines; a page never starts its body with an empty line.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdint>
#include <vector>

namespace quendarx {

class Recordset;
class clValores;

// Every line of the listing ends with this.
inline const QString kListingLineBreak = QStringLiteral("\r\n");
inline constexpr int kListingRuleWidth = 91;
inline constexpr int kListingLinesPerPage = 50;

// The cell formatter: the value as text of exactly p_Long characters, cut on the right
// when longer, padded with blanks on the left (on the right when Iz1Dr2 is 2); null is
// the empty text. p_Valor is replaced by the result. A value that cannot be formatted
// is reported (critical box) and gives the empty text, leaving p_Valor as it was.
QString FormatString(QVariant& p_Valor, std::int16_t p_Long, std::int16_t Iz1Dr2);

struct ListingColumn {
    QString heading;
    std::int16_t width;
};
// The nine columns in print order.
const std::array<ListingColumn, 9>& listingColumns();

// One report row: the query's fields as the value-conversion component reads them
// (EXTITM and ARTCDS through Numero, the rest through Texto).
struct ListingRow {
    double EXTITM = 0;
    QString pINTNDC;
    QString ARTNCM;
    QString pARTINO;
    QString pARTSNO;
    double ARTCDS = 0;
    QString ARTEXP;
    QString ARTCER;
    QString ARTORD;
};

// The current row of the listing query.
ListingRow readListingRow(const Recordset& rs, const clValores& valores);
// The export item of a row as the layout compares it: "000".
QString listingItemKey(double extitm);
// The nine cell texts before they go through FormatString.
std::array<QString, 9> listingCells(const ListingRow& row);

// What goes on every listing besides its rows.
struct ListingHeader {
    QString longDate;      // today's date in the locale's long format
    QString numeroInterno; // the export declaration
};

// Which rows a page holds.
struct ListingPage {
    int firstRow = 0;
    int rowCount = 0;
};

// The pages that the rows need, from their export-item keys in listing order.
std::vector<ListingPage> paginateListing(const QStringList& itemKeys, int linesPerPage);

// The title block (page 1 only).
QString listingTitle(const ListingHeader& header);
// "Pagina ..." line, rule, heading line and underline of a page.
QString listingPageHead(int page, int pageTotal);
// The row line of one row.
QString listingRowLine(const ListingRow& row);
// The whole text of page `page` (from 1) holding `rows` (the page's rows only).
QString listingPageText(const ListingHeader& header, int page, int pageTotal, const ListingRow* rows, int rowCount);

// Every page text of a listing.
QStringList listingPages(const std::vector<ListingRow>& rows, const ListingHeader& header,
                         int linesPerPage = kListingLinesPerPage);

} // namespace quendarx
