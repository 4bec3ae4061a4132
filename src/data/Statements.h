#pragma once
// Every statement the library sends to the local database, one builder each, producing
// the exact text. Texts are spliced between single quotes through quoted(), which
// doubles any single quote inside them; whole numbers as plain digits; other numbers in
// the regional number format, always quoted.
#include <QString>
#include <cstdint>

namespace quendarx::sql {

// The text with its single quotes doubled (the only way a text enters a statement).
QString quoted(const QString& text);

struct ArticleKey {
    QString intndc;
    std::int32_t artino = 0;
    std::int32_t artsno = 0;
};

struct ExportItem {
    QString extnro;
    std::int32_t extitm = 0;
};

// 1 delete one cancellation
QString deleteCancellation(const ArticleKey& a, const ExportItem& e);
// 2 total cancelled of an article
QString sumCancelled(const ArticleKey& a);
// 3 recompute the available quantity; total is the already formatted regional text
QString updateAvailable(const ArticleKey& a, const QString& totalText);
// 4 cancellations of an export item, in line order
QString cancellationsOfItem(const ExportItem& e);
// 5 cancellations of an export item joined with their articles
QString cancellationsWithArticles(const ExportItem& e);
// 6, 7, 8 delete a declaration's cancellations, articles, row
QString deleteDeclarationCancellations(const QString& intndc);
QString deleteDeclarationArticles(const QString& intndc);
QString deleteDeclaration(const QString& intndc);
// 9 declarations by date
QString declarationsByDate();
// 10 articles of a declaration
QString articlesOfDeclaration(const QString& intndc);
// 11 one article
QString article(const ArticleKey& a);
// 12 cancellations of an article
QString cancellationsOfArticle(const ArticleKey& a);
// 13 count of the article's cancellations against an export item
QString countCancellation(const ArticleKey& a, const ExportItem& e);
// 14 greatest line order of an export item
QString maxLineOrder(const ExportItem& e);

// 15 insert a cancellation. Every value is the text to splice (already formatted by the
// caller); artord is empty when the typed order number is not numeric (sent as NULL).
struct NewCancellation {
    QString linord, intndc, artino, artsno, artcds, artexp, artcer, artven;
    QString artord; // "" -> NULL
    QString extnro, extitm, now;
};
QString insertCancellation(const NewCancellation& c);

// 16 available quantity of an article
QString availableOfArticle(const ArticleKey& a);
// 17 one cancellation
QString cancellation(const ArticleKey& a, const ExportItem& e);
// 18 rewrite one cancellation; quantity is the "00.00" text, artord "" -> NULL
struct CancellationUpdate {
    QString quantity, artexp, artcer, artven, artord, now;
};
QString updateCancellation(const ArticleKey& a, const ExportItem& e, const CancellationUpdate& u);
// 19 count declarations with a code
QString countDeclaration(const QString& code);
// 20 insert a declaration (date as typed)
QString insertDeclaration(const QString& numero, const QString& intndc, const QString& intdsc,
                          const QString& intfof);
// 21 insert an article; numbers already formatted ("00.00", "00.0000")
struct NewArticle {
    QString artnro, intndc, artino, artsno, artncm, artcan, artuni, artfob, artdsc;
};
QString insertArticle(const NewArticle& a);
// 22 the listing of an export declaration
QString listingOfDeclaration(const QString& extnro);

// The outside database's two reads (import).
QString outsideItems(const QString& interno);
QString outsideSubItems(const QString& interno, const QString& id);

} // namespace quendarx::sql
