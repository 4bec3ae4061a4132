#pragma once
// Every statement the library sends to the local database, one builder each. A builder
// yields, from one template and one set of values, two forms of the same statement:
// - the exact text (what the log shows and the tests compare): texts spliced between
//   single quotes through quoted(), which doubles any single quote inside them; whole
//   numbers as plain digits; other numbers in the regional number format, always quoted;
// - a parameterised form (`?` for every value) with the values typed as the original
//   engine stored them: regional number texts read with the regional rules as doubles,
//   whole numbers as integers, dates as "yyyy-MM-dd" and date-times as
//   "yyyy-MM-dd HH:mm:ss", texts as texts. Codes compare without regard to letter case.
// The engines run the parameterised form, prepared once per shape. The exact text is only
// spelled out when it is asked for (the log, the connection's Sql property); a builder keeps
// its pieces, and gives the same shared shape text each time it is called with the same
// choices.
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <memory>
#include <optional>

namespace quendarx::sql {

// How a builder spelled a statement's exact text: its fixed pieces and its values' texts.
struct Spelling;

struct Statement {
    Statement() = default;
    // A statement whose exact text is given whole.
    Statement(const QString& text, QString shape, QVariantList values);

    QString shape;       // the parameterised form, `?` for each value
    QVariantList values; // the typed values, in order; a null QVariant is NULL
    // The exact text; the shape itself when the statement was given no other.
    QString text() const;

    std::shared_ptr<const Spelling> spelling;
};

// The whole number an order number text stands for under the regional settings (rounded
// half to even), a null for an empty text, and the text itself otherwise.
QVariant orderNumberValue(const QString& text);

// The text with its single quotes doubled (the only way a text enters a statement).
QString quoted(const QString& text);

// A date as it is stored: "yyyy-MM-dd", or "yyyy-MM-dd HH:mm:ss" with the time (the same
// text as QDateTime::toString with those formats, written without the general formatter).
QString isoText(const QDateTime& value, bool withTime);

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
Statement deleteCancellation(const ArticleKey& a, const ExportItem& e);
// 2 total cancelled of an article
Statement sumCancelled(const ArticleKey& a);
// 3 recompute the available quantity; total is the already formatted regional text
Statement updateAvailable(const ArticleKey& a, const QString& totalText);
// 4 cancellations of an export item, in line order
Statement cancellationsOfItem(const ExportItem& e);
// 5 cancellations of an export item joined with their articles
Statement cancellationsWithArticles(const ExportItem& e);
// 6, 7, 8 delete a declaration's cancellations, articles, row
Statement deleteDeclarationCancellations(const QString& intndc);
Statement deleteDeclarationArticles(const QString& intndc);
Statement deleteDeclaration(const QString& intndc);
// 9 declarations by date
Statement declarationsByDate();
// 10 articles of a declaration
Statement articlesOfDeclaration(const QString& intndc);
// 11 one article
Statement article(const ArticleKey& a);
// 12 cancellations of an article
Statement cancellationsOfArticle(const ArticleKey& a);
// 13 count of the article's cancellations against an export item
Statement countCancellation(const ArticleKey& a, const ExportItem& e);
// 14 greatest line order of an export item
Statement maxLineOrder(const ExportItem& e);

// 15 insert a cancellation. Every value is the text to splice (already formatted by the
// caller); artord is empty when the typed order number is not numeric (sent as NULL).
struct NewCancellation {
    QString linord, intndc, artino, artsno, artcds, artexp, artcer, artven;
    QString artord; // "" -> NULL
    QString extnro, extitm, now;
    // The moment `now` was written from, when the caller has it: stored as it is, without
    // reading `now` back.
    std::optional<QDateTime> at{};
};
Statement insertCancellation(const NewCancellation& c);

// 16 available quantity of an article
Statement availableOfArticle(const ArticleKey& a);
// 17 one cancellation
Statement cancellation(const ArticleKey& a, const ExportItem& e);
// 18 rewrite one cancellation; quantity is the "00.00" text, artord "" -> NULL
struct CancellationUpdate {
    QString quantity, artexp, artcer, artven, artord, now;
};
Statement updateCancellation(const ArticleKey& a, const ExportItem& e, const CancellationUpdate& u);
// 19 count declarations with a code
Statement countDeclaration(const QString& code);
// 20 insert a declaration (date as typed)
Statement insertDeclaration(const QString& numero, const QString& intndc, const QString& intdsc, const QString& intfof);
// 21 insert an article; numbers already formatted ("00.00", "00.0000")
struct NewArticle {
    QString artnro, intndc, artino, artsno, artncm, artcan, artuni, artfob, artdsc;
};
Statement insertArticle(const NewArticle& a);
// 22 the listing of an export declaration
Statement listingOfDeclaration(const QString& extnro);

// What a save re-reads once it holds the write lock: the article's total (ARTCAN) and
// the sum of its cancellations (TOTAL), both read through cdbl() so that quantities
// stored as regional texts count, leaving out the cancellation against `except` when
// one is given (the one being modified).
Statement quantitiesOfArticle(const ArticleKey& a, const ExportItem* except = nullptr);

// The outside database's two reads (import).
Statement outsideItems(const QString& interno);
Statement outsideSubItems(const QString& interno, const QString& id);

} // namespace quendarx::sql
