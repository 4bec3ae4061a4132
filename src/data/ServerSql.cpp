#include "data/ServerSql.h"
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace quendarx::server {

namespace {

// A statement read for its structure: lower case, every quoted text blanked to 'x', and
// the parenthesis depth of each character, so keywords are found where they act.
struct Outline {
    QString masked;
    std::vector<int> depth;

    explicit Outline(const QString& text) : masked(text.toLower()), depth(std::size_t(text.size()), 0) {
        QChar quote;
        int level = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
                else
                    masked[i] = QLatin1Char('x');
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                quote = c;
            } else if (c == QLatin1Char('(')) {
                ++level;
            } else if (c == QLatin1Char(')')) {
                level = std::max(0, level - 1);
            }
            depth[std::size_t(i)] = (c == QLatin1Char('(')) ? level - 1 : level;
        }
    }
    bool top(qsizetype i) const { return depth[std::size_t(i)] == 0; }
    // The start of the last match of the pattern at depth 0, or -1.
    qsizetype lastTop(const QRegularExpression& re, qsizetype from = 0,
                      QRegularExpressionMatch* found = nullptr) const {
        qsizetype at = -1;
        auto it = re.globalMatch(masked, from);
        while (it.hasNext()) {
            const auto m = it.next();
            if (top(m.capturedStart())) {
                at = m.capturedStart();
                if (found)
                    *found = m;
            }
        }
        return at;
    }
};

const QRegularExpression& re(const char* pattern) {
    // A handful of patterns, compiled once each.
    static QHash<const char*, QRegularExpression> cache;
    auto it = cache.find(pattern);
    if (it == cache.end())
        it = cache.insert(pattern, QRegularExpression(QLatin1String(pattern)));
    return *it;
}

bool stockTable(const QString& name) {
    return name == QLatin1String("operaciones") || name == QLatin1String("articulos") ||
           name == QLatin1String("cancelaciones");
}

// The order the file lists the rows of a statement without an order by: the order of the
// stock file's key it looks rows up by (a cancellation key when the article is given, the
// line order when the export item is, the article numbers of a declaration), then the
// order they were written.
QString fileOrder(const QString& table, const QString& masked) {
    auto given = [&](const char* column) {
        return masked.contains(QRegularExpression(QStringLiteral(R"(\b%1\s*=)").arg(QLatin1String(column))));
    };
    if (table == QLatin1String("cancelaciones") && given("intndc") && given("artino") && given("artsno"))
        return QStringLiteral("EXTNRO, EXTITM, ");
    if (table == QLatin1String("cancelaciones") && given("extnro") && given("extitm"))
        return QStringLiteral("LINORD, ");
    if (table == QLatin1String("articulos") && given("intndc"))
        return QStringLiteral("ARTINO, ARTSNO, ");
    return QString();
}

// Nulls first in ascending order (last in descending, as on the file), ties and
// unordered rows of one table in the order they were written.
QString ordered(const QString& text) {
    const Outline o(text);
    if (!o.masked.trimmed().startsWith(QLatin1String("select")))
        return text;
    QRegularExpressionMatch from;
    const bool single = o.lastTop(re(R"(\bfrom\s+([a-z_][a-z0-9_]*)\s*($|where\b|order\b))"), 0, &from) >= 0 &&
                        stockTable(from.captured(1));
    const qsizetype order = o.lastTop(re(R"(\border\s+by\b)"));
    if (order < 0) {
        const qsizetype fromAt = from.hasMatch() ? from.capturedStart() : -1;
        const QString list = fromAt > 0 ? o.masked.left(fromAt) : QString();
        if (!single || list.contains(QLatin1Char('(')) || list.contains(QLatin1String("distinct")) ||
            o.masked.contains(QLatin1String(" group ")) || o.masked.contains(QLatin1String(" limit ")) ||
            o.masked.contains(QLatin1String(" union ")))
            return text;
        QString result = text;
        while (result.endsWith(QLatin1Char(' ')))
            result.chop(1);
        return result + QLatin1String(" order by ") + fileOrder(from.captured(1), o.masked) + QLatin1String(kRowColumn);
    }
    const qsizetype start = order + o.masked.mid(order).indexOf(QLatin1String("by")) + 2;
    qsizetype end = text.size();
    if (const qsizetype limit = o.lastTop(re(R"(\b(limit|offset|for)\b)"), start); limit >= 0)
        end = limit;
    QStringList items;
    qsizetype itemStart = start;
    for (qsizetype i = start; i <= end; ++i) {
        if (i == end || (o.masked[i] == QLatin1Char(',') && o.top(i))) {
            items << text.mid(itemStart, i - itemStart);
            itemStart = i + 1;
        }
    }
    QString rewritten;
    for (QString item : items) {
        const QString lower = item.toLower().trimmed();
        while (item.endsWith(QLatin1Char(' ')))
            item.chop(1);
        if (!lower.contains(QLatin1String("nulls")))
            item += lower.endsWith(QLatin1String(" desc")) ? QLatin1String(" NULLS LAST")
                                                           : QLatin1String(" NULLS FIRST");
        if (!rewritten.isEmpty())
            rewritten += QLatin1Char(',');
        rewritten += item;
    }
    if (single)
        rewritten += QLatin1String(", ") + QLatin1String(kRowColumn);
    QString tail = text.mid(end);
    if (!tail.isEmpty() && !tail.startsWith(QLatin1Char(' ')))
        tail.prepend(QLatin1Char(' '));
    return text.left(start) + rewritten + tail;
}

// Drops the file's NOCASE collation outside quoted texts (the server's code columns
// compare without regard to letter case themselves).
QString withoutNocase(const QString& text) {
    const Outline o(text);
    QString result = text;
    const QRegularExpression& nocase = re(R"(\s+collate\s+nocase\b)");
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    auto it = nocase.globalMatch(o.masked);
    while (it.hasNext()) {
        const auto m = it.next();
        spans.emplace_back(m.capturedStart(), m.capturedLength());
    }
    for (auto span = spans.rbegin(); span != spans.rend(); ++span)
        result.remove(span->first, span->second);
    return result;
}

} // namespace

bool isServerUri(const QString& location) {
    const QString t = location.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool isServerKeywords(const QString& location) {
    // libpq reads any text with a '=' as keywords; a location reads so when it starts
    // with one ("host=server dbname=stock").
    static const QRegularExpression keyword(QStringLiteral(R"(^\s*[A-Za-z_]+\s*=)"));
    return keyword.match(location).hasMatch();
}

bool isServerLocation(const QString& location) { return isServerUri(location) || isServerKeywords(location); }

QString libpqLocation(const QString& location) {
    QString t = location.trimmed();
    if (isServerUri(t)) {
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        t.replace(0, colon, t.left(colon).toLower());
    }
    return t;
}

QString notAFilePath(const QString& location) {
    if (location.trimmed().isEmpty())
        return QStringLiteral("no file named");
    if (location.startsWith(QLatin1Char('-')))
        return QStringLiteral("%1 is an option, not a file").arg(location);
    if (isServerLocation(location))
        return QStringLiteral("%1 names a server, not a file").arg(withoutPassword(location));
    static const QRegularExpression otherScheme(QStringLiteral(R"(^\s*[A-Za-z][A-Za-z0-9+.-]+:/)"));
    if (otherScheme.match(location).hasMatch())
        return QStringLiteral("%1 is neither a file path nor a postgresql:// URI").arg(withoutPassword(location));
    return QString();
}

namespace {

// A URI's user information (scheme://user:password@), any scheme, mistyped or not (one
// slash, none): libpq ends it at the first '@' before any '/'.
const QRegularExpression& userInfo() {
    static const QRegularExpression p(QStringLiteral(R"(([A-Za-z][A-Za-z0-9+.-]*:/{0,3}[^@/:\s"]*):([^@/\s"]*)@)"));
    return p;
}

// A password keyword or URI parameter, quoted ('…' with backslash escapes) or not.
const QRegularExpression& passwordKeyword() {
    static const QRegularExpression p(
        QStringLiteral(R"(((?<![A-Za-z0-9_])(?:ssl)?password\s*=\s*)('(?:[^'\\]|\\.)*'?|(?:\\.|[^\s'"&\\])*))"),
        QRegularExpression::CaseInsensitiveOption);
    return p;
}

QString hideForms(QString text) {
    text.replace(userInfo(), QStringLiteral("\\1@"));
    text.replace(passwordKeyword(), QStringLiteral("\\1***"));
    return text;
}

// The passwords a location carries, as written and as libpq decodes them (a URI's
// percent-encoding, a keyword value's quotes and backslashes).
QStringList secrets(const QString& location) {
    QStringList found;
    auto add = [&](const QString& value) {
        if (value.size() >= 3 && !found.contains(value))
            found << value;
    };
    for (auto it = userInfo().globalMatch(location); it.hasNext();) {
        const QString value = it.next().captured(2);
        add(value);
        add(QUrl::fromPercentEncoding(value.toUtf8()));
    }
    static const QRegularExpression escaped(QStringLiteral(R"(\\(.))"));
    for (auto it = passwordKeyword().globalMatch(location); it.hasNext();) {
        QString value = it.next().captured(2);
        add(value);
        add(QUrl::fromPercentEncoding(value.toUtf8()));
        if (value.startsWith(QLatin1Char('\'')))
            value = value.mid(1, value.endsWith(QLatin1Char('\'')) && value.size() > 1 ? value.size() - 2 : -1);
        add(value.replace(escaped, QStringLiteral("\\1")));
    }
    // Longest first, so a password is hidden whole before a part of it could be.
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return found;
}

} // namespace

QString withoutPassword(const QString& location) { return hidePasswords(location, location); }

QString hidePasswords(const QString& text, const QString& location) {
    QString hidden = hideForms(text);
    for (const QString& secret : secrets(location))
        hidden.replace(secret, QStringLiteral("***"));
    return hidden;
}

QString serverShape(const QString& shape, bool cdblOnServer) {
    QString result;
    result.reserve(shape.size() + 32);
    const Outline o(shape);
    int n = 0;
    for (qsizetype i = 0; i < shape.size(); ++i) {
        if (shape[i] != QLatin1Char('?') || o.masked[i] == QLatin1Char('x')) {
            result += shape[i];
            continue;
        }
        result += QLatin1Char('$') + QString::number(++n);
        static const QLatin1String nocase(" COLLATE NOCASE");
        if (QStringView(shape).mid(i + 1).startsWith(nocase, Qt::CaseInsensitive)) {
            result += QLatin1String("::citext");
            i += nocase.size();
        }
    }
    // Without the functions, cdbl() of a value that is no number: the server refuses it
    // as a number as well.
    if (!cdblOnServer)
        result.replace(QLatin1String("cdbl("), QLatin1String("("), Qt::CaseInsensitive);
    return ordered(withoutNocase(result));
}

QString serverText(const QString& text) { return ordered(withoutNocase(text)); }

QStringList spelledColumns(const QString& statement, const QStringList& serverNames) {
    // As the file names them: an alias as the statement spells it, a column as the table
    // declares it (upper case in the stock tables).
    const Outline o(statement);
    QHash<QString, QString> aliases;
    auto it = re(R"(\bas\s+([a-z_][a-z0-9_]*))").globalMatch(o.masked);
    while (it.hasNext()) {
        const auto m = it.next();
        aliases.insert(m.captured(1), statement.mid(m.capturedStart(1), m.capturedLength(1)));
    }
    QStringList names;
    for (const QString& name : serverNames)
        names << (name == name.toLower() ? aliases.value(name, name.toUpper()) : name);
    return names;
}

} // namespace quendarx::server
