#include "printing/Listing.h"
#include "data/Recordset.h"
#include "data/clValores.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include "platform/RuntimeError.h"
#include "platform/Variants.h"

namespace quendarx {

namespace {

const QString kFormatStringTag = QStringLiteral("Sección [QuendarsDLL.frmImprimir.FormatString]");

// A value as text, the way an implicit conversion to text reads it.
QString valueText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QString();
    if (isWholeNumberType(value.typeId()))
        return value.toString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return Regional::generalNumber(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDateTime:
        return Regional::generalDate(value.toDateTime());
    case QMetaType::QDate:
        return Regional::generalDate(QDateTime(value.toDate(), QTime(0, 0)));
    case QMetaType::QChar:
        return value.toString();
    default:
        raiseTypeMismatch();
    }
}

QString rule(int width) { return QString(width, QLatin1Char('-')); }

QString joinedLine(const std::array<QString, 9>& cells) {
    const auto& columns = listingColumns();
    QString line;
    line.reserve(kListingRuleWidth + 2);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        QVariant cell = cells[i];
        if (i > 0)
            line += QLatin1Char(' ');
        line += FormatString(cell, columns[i].width, 1);
    }
    return line + kListingLineBreak;
}

} // namespace

QString FormatString(QVariant& p_Valor, std::int16_t p_Long, std::int16_t Iz1Dr2) {
    try {
        if (p_Long < 0)
            throw RuntimeError(StandardError::InvalidCall);
        QString text = valueText(p_Valor);
        if (text.size() > p_Long)
            text.truncate(p_Long);
        const QString fill(p_Long - text.size(), QLatin1Char(' '));
        text = Iz1Dr2 == 2 ? text + fill : fill + text;
        p_Valor = text;
        return text;
    } catch (const RuntimeError& error) {
        reportError(error, kFormatStringTag, vbCritical);
        return QString();
    }
}

const std::array<ListingColumn, 9>& listingColumns() {
    static const std::array<ListingColumn, 9> columns{{
        {QStringLiteral("ITEM"), 4},
        {QStringLiteral("DECLARACION"), 16},
        {QStringLiteral("POSICIÓN"), 15},
        {QStringLiteral("ITEM"), 4},
        {QStringLiteral("SBIT"), 4},
        {QStringLiteral("CANTIDAD"), 9},
        {QStringLiteral("EXPEDIENTE"), 13},
        {QStringLiteral("CERTIFICADO"), 16},
        {QStringLiteral("ORDEN"), 2},
    }};
    return columns;
}

ListingRow readListingRow(const Recordset& rs, const clValores& valores) {
    ListingRow row;
    row.EXTITM = valores.Numero(rs.Fields(QStringLiteral("EXTITM")));
    row.pINTNDC = valores.Texto(rs.Fields(QStringLiteral("pINTNDC")), 0);
    row.ARTNCM = valores.Texto(rs.Fields(QStringLiteral("ARTNCM")), 0);
    row.pARTINO = valores.Texto(rs.Fields(QStringLiteral("pARTINO")), 0);
    row.pARTSNO = valores.Texto(rs.Fields(QStringLiteral("pARTSNO")), 0);
    row.ARTCDS = valores.Numero(rs.Fields(QStringLiteral("ARTCDS")));
    row.ARTEXP = valores.Texto(rs.Fields(QStringLiteral("ARTEXP")), 0);
    row.ARTCER = valores.Texto(rs.Fields(QStringLiteral("ARTCER")), 0);
    row.ARTORD = valores.Texto(rs.Fields(QStringLiteral("ARTORD")), 0);
    return row;
}

QString listingItemKey(double extitm) { return Regional::format(extitm, QStringLiteral("000")); }

std::array<QString, 9> listingCells(const ListingRow& row) {
    const QString threeDigits = QStringLiteral("000");
    return {listingItemKey(row.EXTITM),
            row.pINTNDC,
            row.ARTNCM,
            Regional::formatText(row.pARTINO, threeDigits),
            Regional::formatText(row.pARTSNO, threeDigits),
            Regional::format(row.ARTCDS, QStringLiteral("00.00")),
            row.ARTEXP,
            row.ARTCER,
            row.ARTORD};
}

std::vector<ListingPage> paginateListing(const QStringList& itemKeys, int linesPerPage) {
    std::vector<ListingPage> pages;
    const int total = static_cast<int>(itemKeys.size());
    int next = 0;
    while (next < total) {
        ListingPage page{next, 0};
        QString current = itemKeys[next];
        int lines = 0;
        while (next < total && lines < linesPerPage) {
            if (itemKeys[next] != current) {
                current = itemKeys[next];
                ++lines; // the empty line before a new export item
            }
            ++lines;
            ++page.rowCount;
            ++next;
        }
        if (page.rowCount == 0)
            break; // a page length of 0 or less holds nothing
        pages.push_back(page);
    }
    return pages;
}

QString listingTitle(const ListingHeader& header) {
    const QString& br = kListingLineBreak;
    return QStringLiteral("LISTADO CANCELACIONES") + br + rule(21) + br + br + QStringLiteral("  FECHA: ") +
           header.longDate + br + QStringLiteral("INTERNO: ") + header.numeroInterno + br + br +
           rule(kListingRuleWidth) + br;
}

QString listingPageHead(int page, int pageTotal) {
    const QString& br = kListingLineBreak;
    const QString fourDigits = QStringLiteral("0000");
    QString text = QStringLiteral("Pagina ") + Regional::format(page, fourDigits) + QStringLiteral(" de ") +
                   Regional::format(pageTotal, fourDigits) + br + rule(kListingRuleWidth) + br;
    std::array<QString, 9> headings;
    QStringList underline;
    const auto& columns = listingColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        headings[i] = columns[i].heading;
        underline << rule(columns[i].width);
    }
    return text + joinedLine(headings) + underline.join(QLatin1Char(' ')) + br;
}

QString listingRowLine(const ListingRow& row) { return joinedLine(listingCells(row)); }

namespace {

using Cells = std::array<QString, 9>;

QString pageText(const ListingHeader& header, int page, int pageTotal, const Cells* rows, int rowCount) {
    QString text;
    text.reserve((rowCount + 16) * (kListingRuleWidth + 2));
    if (page == 1)
        text += listingTitle(header);
    text += listingPageHead(page, pageTotal);
    for (int i = 0; i < rowCount; ++i) {
        // A change of export item ("000", the first cell) within the page.
        if (i > 0 && rows[i][0] != rows[i - 1][0])
            text += kListingLineBreak;
        text += joinedLine(rows[i]);
    }
    return text;
}

} // namespace

QString listingPageText(const ListingHeader& header, int page, int pageTotal, const ListingRow* rows, int rowCount) {
    std::vector<Cells> cells;
    cells.reserve(static_cast<std::size_t>(rowCount));
    for (int i = 0; i < rowCount; ++i)
        cells.push_back(listingCells(rows[i]));
    return pageText(header, page, pageTotal, cells.data(), rowCount);
}

QStringList listingPages(const std::vector<ListingRow>& rows, const ListingHeader& header, int linesPerPage) {
    std::vector<Cells> cells;
    cells.reserve(rows.size());
    QStringList keys;
    keys.reserve(static_cast<qsizetype>(rows.size()));
    for (const ListingRow& row : rows) {
        cells.push_back(listingCells(row));
        keys << cells.back()[0];
    }
    const std::vector<ListingPage> pages = paginateListing(keys, linesPerPage);
    QStringList texts;
    const int total = static_cast<int>(pages.size());
    for (int p = 0; p < total; ++p) {
        const ListingPage& page = pages[static_cast<std::size_t>(p)];
        texts << pageText(header, p + 1, total, cells.data() + page.firstRow, page.rowCount);
    }
    return texts;
}

} // namespace quendarx
