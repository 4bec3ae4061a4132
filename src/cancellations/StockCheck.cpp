#include "cancellations/StockCheck.h"
#include "cancellations/Recompute.h"
#include "data/History.h"
#include "platform/RuntimeError.h"
#include <cmath>
#include <optional>

namespace quendarx {

namespace {

// Every article with the sum of its cancellations (null when it has none).
const char* const kArticles =
    "select A.INTNDC, A.ARTINO, A.ARTSNO, A.ARTCAN, A.ARTDSC, (select sum(C.ARTCDS) from CANCELACIONES C "
    "where C.INTNDC = A.INTNDC COLLATE NOCASE and C.ARTINO = A.ARTINO and C.ARTSNO = A.ARTSNO) as TOTAL "
    "from ARTICULOS A order by A.INTNDC, A.ARTINO, A.ARTSNO";

const char* const kDuplicateLines = "select min(EXTNRO) as EXTNRO, EXTITM, LINORD, count(*) as N from CANCELACIONES "
                                    "group by EXTNRO COLLATE NOCASE, EXTITM, LINORD having count(*) > 1 "
                                    "order by EXTNRO, EXTITM, LINORD";

const char* const kOrphans = "select C.EXTNRO, C.EXTITM, C.LINORD, C.INTNDC, C.ARTINO, C.ARTSNO from CANCELACIONES C "
                             "where not exists (select 1 from ARTICULOS A where A.INTNDC = C.INTNDC COLLATE NOCASE "
                             "and A.ARTINO = C.ARTINO and A.ARTSNO = C.ARTSNO) "
                             "order by C.EXTNRO, C.EXTITM, C.LINORD";

std::vector<std::vector<QVariant>> rowsOf(Engine& engine, const char* query) {
    Recordset rs;
    QString error;
    if (!engine.query(QString::fromLatin1(query), rs, &error))
        throw RuntimeError(errDatabase, error, QStringLiteral("check"));
    return rs.rows();
}

// A stored quantity as a number: nothing for a null or a text that is no number.
std::optional<double> number(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const double n = value.metaType().id() == QMetaType::QString ? value.toString().trimmed().toDouble(&ok)
                                                                 : value.toDouble(&ok);
    return ok ? std::optional<double>(n) : std::nullopt;
}

QString shown(double value) { return QString::number(value, 'g', 15); }

QString shown(const QVariant& value) { return value.isNull() ? QStringLiteral("null") : value.toString(); }

bool same(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); }

struct Article {
    sql::ArticleKey key;
    QVariant total;     // ARTCAN
    QVariant available; // ARTDSC
    double cancelled = 0;
};

std::vector<Article> articles(Engine& engine) {
    std::vector<Article> result;
    for (const auto& row : rowsOf(engine, kArticles)) {
        Article a;
        a.key = {row[0].toString(), row[1].toInt(), row[2].toInt()};
        a.total = row[3];
        a.available = row[4];
        a.cancelled = roundToCents(number(row[5]).value_or(0));
        result.push_back(a);
    }
    return result;
}

} // namespace

QString articleName(const sql::ArticleKey& article) {
    return QStringLiteral("%1/%2/%3").arg(article.intndc).arg(article.artino).arg(article.artsno);
}

QStringList checkStock(Engine& engine, bool file) {
    QStringList problems;
    if (file)
        for (const auto& row : rowsOf(engine, "pragma integrity_check"))
            if (row[0].toString() != QLatin1String("ok"))
                for (const QString& line : row[0].toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    problems << QStringLiteral("integrity: %1").arg(line);

    for (const Article& a : articles(engine)) {
        const QString name = QStringLiteral("article %1").arg(articleName(a.key));
        const auto total = number(a.total);
        if (!total) {
            problems << QStringLiteral("%1: its total quantity (ARTCAN) is %2, not a number").arg(name, shown(a.total));
            continue;
        }
        const double expected = *total - a.cancelled;
        const auto available = number(a.available);
        if (!available || !same(*available, expected))
            problems << QStringLiteral("%1: available quantity (ARTDSC) %2, but its total %3 less its cancellations "
                                       "%4 is %5")
                            .arg(name, shown(a.available), shown(*total), shown(a.cancelled), shown(expected));
        if (available && *available < 0)
            problems << QStringLiteral("%1: available quantity (ARTDSC) %2 is below zero").arg(name, shown(*available));
        if (expected < 0 && !same(expected, 0))
            problems << QStringLiteral("%1: cancelled %2, more than its total %3")
                            .arg(name, shown(a.cancelled), shown(*total));
    }
    for (const auto& row : rowsOf(engine, kDuplicateLines))
        problems << QStringLiteral("export item %1 %2: line %3 is used by %4 cancellations")
                        .arg(row[0].toString(), row[1].toString(), row[2].toString(), row[3].toString());
    for (const auto& row : rowsOf(engine, kOrphans))
        problems << QStringLiteral("export item %1 %2 line %3: cancellation of article %4/%5/%6, which is not in stock")
                        .arg(row[0].toString(), row[1].toString(), row[2].toString(), row[3].toString(),
                             row[4].toString(), row[5].toString());
    return problems;
}

std::vector<AvailableChange> repairAvailable(Engine& engine) {
    QString error;
    if (!engine.begin(&error))
        throw RuntimeError(errDatabase, error, QStringLiteral("repair"));
    std::vector<AvailableChange> changes;
    try {
        for (const Article& a : articles(engine)) {
            const auto total = number(a.total);
            if (!total)
                continue; // nothing to compute it from: left for a person
            const double expected = *total - a.cancelled;
            const auto available = number(a.available);
            if (available && same(*available, expected))
                continue;
            sql::Statement update;
            update.shape = QStringLiteral(
                "update ARTICULOS set ARTDSC = ? where INTNDC = ? COLLATE NOCASE and ARTINO = ? and ARTSNO = ?");
            update.values = {expected, a.key.intndc, a.key.artino, a.key.artsno};
            const auto changed = engine.execute(update, &error);
            if (!changed)
                throw RuntimeError(errDatabase, error, QStringLiteral("repair"));
            changes.push_back({a.key, a.available, expected});
        }
        // Each quantity rewritten is an entry of the stock's history, when it keeps one.
        if (!changes.empty() && history::present(engine)) {
            for (const AvailableChange& change : changes) {
                history::Entry entry;
                entry.operation = QLatin1String(history::kRepair);
                entry.intndc = change.article.intndc;
                entry.artino = change.article.artino;
                entry.artsno = change.article.artsno;
                entry.before = number(change.before);
                entry.after = change.after;
                if (!history::append(engine, entry, &error))
                    throw RuntimeError(errDatabase, error, QStringLiteral("repair"));
            }
        }
        if (!engine.commit(&error))
            throw RuntimeError(errDatabase, error, QStringLiteral("repair"));
    } catch (...) {
        if (engine.inTransaction())
            engine.rollback();
        throw;
    }
    return changes;
}

} // namespace quendarx
