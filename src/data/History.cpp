#include "data/History.h"
#include "data/Statements.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "platform/Variants.h"
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSysInfo>
#include <memory>
#include <openssl/evp.h>
#include <pwd.h>
#include <unistd.h>

namespace quendarx::history {

namespace {

// No index by declaration: every save would write to it, and reading a declaration's
// entries from the whole table takes tens of milliseconds at 100,000 entries.
const char* const kFileTables = R"sql(
CREATE TABLE HISTORY (ENTRY INTEGER PRIMARY KEY, STAMP TEXT NOT NULL, USERNAME TEXT NOT NULL,
                      WORKSTATION TEXT NOT NULL, OPERATION TEXT NOT NULL,
                      INTNDC TEXT COLLATE NOCASE, ARTINO INTEGER, ARTSNO INTEGER,
                      EXTNRO TEXT COLLATE NOCASE, EXTITM INTEGER,
                      QUANTITY_BEFORE DOUBLE, QUANTITY_AFTER DOUBLE, REF INTEGER, NOTE TEXT,
                      PREVIOUS TEXT NOT NULL, DIGEST TEXT NOT NULL);
CREATE TABLE HISTORY_ROWS (ENTRY INTEGER NOT NULL, SEQ INTEGER NOT NULL, TABLE_NAME TEXT NOT NULL,
                           ROW_DATA TEXT NOT NULL, PRIMARY KEY (ENTRY, SEQ));
)sql";

const char* const kServerTables = R"sql(
CREATE TABLE HISTORY (ENTRY bigint PRIMARY KEY, STAMP timestamp(0) NOT NULL, USERNAME text NOT NULL,
                      WORKSTATION text NOT NULL, OPERATION text NOT NULL,
                      INTNDC citext COLLATE "C", ARTINO integer, ARTSNO integer,
                      EXTNRO citext COLLATE "C", EXTITM integer,
                      QUANTITY_BEFORE double precision, QUANTITY_AFTER double precision,
                      REF bigint, NOTE text, PREVIOUS text NOT NULL, DIGEST text NOT NULL);
CREATE TABLE HISTORY_ROWS (ENTRY bigint NOT NULL, SEQ integer NOT NULL, TABLE_NAME text NOT NULL,
                           ROW_DATA text NOT NULL, PRIMARY KEY (ENTRY, SEQ));
)sql";

const QString kStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kEntryColumns = QStringLiteral(
    "ENTRY, STAMP, USERNAME, WORKSTATION, OPERATION, INTNDC, ARTINO, ARTSNO, EXTNRO, EXTITM, "
    "QUANTITY_BEFORE, QUANTITY_AFTER, REF, NOTE, PREVIOUS, DIGEST");

const QStringList& columnsOf(const QString& table) {
    static const QStringList declarations{"NUMERO", "INTNDC", "INTDSC", "INTFOF"};
    static const QStringList articles{"ARTNRO", "INTNDC", "ARTINO", "ARTSNO", "ARTNCM",
                                      "ARTCAN", "ARTUNI", "ARTFOB", "ARTDSC"};
    static const QStringList cancellations{"LINORD", "INTNDC", "ARTINO", "ARTSNO", "ARTCDS", "ARTEXP",
                                           "ARTCER", "ARTVEN", "ARTORD", "EXTNRO", "EXTITM", "EXTFDC"};
    static const QStringList none;
    if (table == QLatin1String("OPERACIONES"))
        return declarations;
    if (table == QLatin1String("ARTICULOS"))
        return articles;
    if (table == QLatin1String("CANCELACIONES"))
        return cancellations;
    return none;
}

bool fail(const QString& reason, QString* error) {
    if (error)
        *error = reason;
    return false;
}

sql::Statement statement(const QString& shape, QVariantList values = {}) {
    sql::Statement statement;
    statement.shape = shape;
    statement.values = std::move(values);
    return statement;
}

// A number as the history writes it: the shortest text that reads back as the same value.
QString numberText(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

QString optionalText(const std::optional<qint64>& value) { return value ? QString::number(*value) : QString(); }
QString optionalText(const std::optional<double>& value) { return value ? numberText(*value) : QString(); }

QVariant bound(const std::optional<qint64>& value) { return value ? QVariant(*value) : QVariant(); }
QVariant bound(const std::optional<double>& value) { return value ? QVariant(*value) : QVariant(); }
QVariant bound(const QString& text) { return text.isNull() ? QVariant() : QVariant(text); }

std::optional<qint64> wholeOf(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    return v.toLongLong();
}

std::optional<double> numberOf(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QString stampOf(const QVariant& v) {
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().toString(kStamp);
    return v.toString();
}

// A captured value as its text: whole numbers in digits, numbers in their shortest exact
// form, blobs in hexadecimal, texts as they are.
QVariant storedText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QVariant();
    const int id = v.metaType().id();
    if (id == QMetaType::QByteArray)
        return QString::fromLatin1(v.toByteArray().toHex());
    if (isWholeNumberType(id))
        return QString::number(v.toLongLong());
    if (isNumberType(id))
        return numberText(v.toDouble());
    return v.toString();
}

bool scalar(Engine& engine, const sql::Statement& st, QVariant& value, QString* error) {
    Recordset rs;
    if (!engine.query(st, rs, error))
        return false;
    value = rs.rows().empty() || rs.rows().front().empty() ? QVariant() : rs.rows().front().front();
    return true;
}

} // namespace

QVariant RemovedRow::value(const QString& column) const {
    for (const StoredValue& v : values) {
        if (v.column != column)
            continue;
        if (!v.text.isValid() || v.text.isNull())
            return QVariant();
        const QString text = v.text.toString();
        const QString type = v.type.toLower();
        if (type == QLatin1String("integer") || type == QLatin1String("bigint") || type == QLatin1String("smallint"))
            return text.toLongLong();
        if (type == QLatin1String("real") || type == QLatin1String("double precision"))
            return text.toDouble();
        if (type == QLatin1String("blob"))
            return QByteArray::fromHex(text.toLatin1());
        return text;
    }
    return QVariant();
}

QString RemovedRow::encoded() const {
    QJsonArray row;
    for (const StoredValue& v : values) {
        const bool null = !v.text.isValid() || v.text.isNull();
        row.append(QJsonArray{v.column, v.type, null ? QJsonValue() : QJsonValue(v.text.toString())});
    }
    return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
}

std::optional<RemovedRow> RemovedRow::decoded(const QString& table, const QString& text) {
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isArray())
        return std::nullopt;
    RemovedRow row;
    row.table = table;
    const QJsonArray cells = doc.array();
    for (const auto& cell : cells) {
        const QJsonArray a = cell.toArray();
        if (a.size() != 3 || !a[0].isString() || !a[1].isString())
            return std::nullopt;
        row.values.push_back({a[0].toString(), a[1].toString(), a[2].isNull() ? QVariant() : a[2].toString()});
    }
    return row;
}

Entry cancellationEntry(const char* operation, const QString& intndc, qint64 artino, qint64 artsno,
                        const QString& extnro, qint64 extitm) {
    Entry e;
    e.operation = QLatin1String(operation);
    e.intndc = intndc;
    e.artino = artino;
    e.artsno = artsno;
    e.extnro = extnro;
    e.extitm = extitm;
    return e;
}

QString cancellationWhere() {
    return QStringLiteral("INTNDC = ? COLLATE NOCASE and ARTINO = ? and ARTSNO = ? and EXTNRO = ? COLLATE NOCASE "
                          "and EXTITM = ?");
}

QVariantList cancellationValues(const Entry& e) {
    return {e.intndc, bound(e.artino), bound(e.artsno), e.extnro, bound(e.extitm)};
}

QString tablesSql(bool server) { return QString::fromUtf8(server ? kServerTables : kFileTables).trimmed(); }

bool present(Engine& engine) {
    const QString check = engine.onServer()
                              ? QStringLiteral("select (to_regclass('history') is not null)::int + "
                                               "(to_regclass('history_rows') is not null)::int as N")
                              : QStringLiteral("select count(*) as N from sqlite_master where type = 'table' and "
                                               "upper(name) in ('HISTORY', 'HISTORY_ROWS')");
    Recordset rs;
    return engine.query(check, rs, nullptr) && !rs.rows().empty() && rs.rows().front().front().toLongLong() == 2;
}

bool capture(Engine& engine, const QString& table, const QString& where, const QVariantList& values,
             std::vector<RemovedRow>& rows, QString* error) {
    const QStringList& columns = columnsOf(table);
    if (columns.isEmpty())
        return fail(QStringLiteral("no stock table %1").arg(table), error);
    QStringList list;
    for (const QString& c : columns)
        list << (engine.onServer() ? QStringLiteral("pg_typeof(%1)::text, %1::text").arg(c)
                                   : QStringLiteral("typeof(%1), +%1").arg(c));
    const QString order = engine.onServer() ? QStringLiteral("qx_row") : QStringLiteral("rowid");
    Recordset rs;
    if (!engine.query(statement(QStringLiteral("select %1 from %2 where %3 order by %4")
                                    .arg(list.join(QStringLiteral(", ")), table, where, order),
                                values),
                      rs, error))
        return false;
    for (const auto& cells : rs.rows()) {
        RemovedRow row;
        row.table = table;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QVariant& v = cells[std::size_t(2 * i + 1)];
            const QString type = cells[std::size_t(2 * i)].toString();
            row.values.push_back({columns[i], v.isNull() ? QStringLiteral("null") : type, storedText(v)});
        }
        rows.push_back(std::move(row));
    }
    return true;
}

namespace {
// SHA-256 by the system's cryptography library, several times faster than Qt's own; Qt's
// gives the same bytes should the library refuse. The algorithm is looked up once and each
// thread keeps its context: OpenSSL looks it up again for every one-shot digest.
QByteArray sha256(const QByteArray& bytes) {
    static EVP_MD* const algorithm = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                                       &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!algorithm || !context || EVP_DigestInit_ex2(context.get(), algorithm, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), bytes.constData(), static_cast<size_t>(bytes.size())) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &size) != 1)
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(size));
}
} // namespace

QString digestOf(const Entry& e) {
    // The fields joined by 0x1f (a removed row: its table, 0x1e and its encoding), as UTF-8.
    QString joined;
    joined.reserve(256);
    const QChar separator(0x1f);
    for (const QString& part :
         {QString::number(e.number), sql::isoText(e.when, true), e.user, e.workstation, e.operation, e.intndc,
          optionalText(e.artino), optionalText(e.artsno), e.extnro, optionalText(e.extitm), optionalText(e.before),
          optionalText(e.after), optionalText(e.ref), e.note}) {
        joined += part;
        joined += separator;
    }
    joined += e.previous;
    for (const RemovedRow& row : e.rows) {
        joined += separator;
        joined += row.table;
        joined += QChar(0x1e);
        joined += row.encoded();
    }
    return QString::fromLatin1(sha256(joined.toUtf8()).toHex());
}

const sql::Statement& tailQuery() {
    // The last entry by its key's index on both engines (the server would sort the whole
    // table for a descending order with nulls last).
    static const sql::Statement query = statement(
        QStringLiteral("select ENTRY, DIGEST from HISTORY where ENTRY = (select max(ENTRY) from HISTORY)"));
    return query;
}

Tail tailOf(const Recordset& rows) {
    if (rows.rows().empty() || rows.rows().front().size() < 2)
        return {};
    return {rows.rows().front()[0].toLongLong(), rows.rows().front()[1].toString()};
}

std::optional<std::vector<sql::Statement>> entryStatements(Engine& engine, Entry& e, QString* error,
                                                           const std::optional<Tail>& known) {
    Tail tail;
    if (known) {
        tail = *known;
    } else {
        Recordset last;
        if (!engine.query(tailQuery(), last, error))
            return std::nullopt;
        tail = tailOf(last);
    }
    e.number = tail.number + 1;
    e.previous = tail.digest;
    e.when = Clock::now();
    if (e.when.time().msec() != 0) // the clock gives whole seconds already; a local time costs to set
        e.when.setTime(QTime(e.when.time().hour(), e.when.time().minute(), e.when.time().second()));
    e.user = currentUser();
    e.workstation = workstation();
    e.digest = digestOf(e);
    const QVariantList values{e.number,
                              sql::isoText(e.when, true),
                              e.user,
                              e.workstation,
                              e.operation,
                              bound(e.intndc),
                              bound(e.artino),
                              bound(e.artsno),
                              bound(e.extnro),
                              bound(e.extitm),
                              bound(e.before),
                              bound(e.after),
                              bound(e.ref),
                              bound(e.note),
                              e.previous.isNull() ? QString(QLatin1String("")) : e.previous,
                              e.digest};
    // The texts are built once: the engine finds its prepared statement by the same shared text.
    static const QString insertEntry = [] {
        QString marks = QStringLiteral("?");
        for (int i = 1; i < kEntryColumns.count(u',') + 1; ++i)
            marks += QStringLiteral(", ?");
        return QStringLiteral("insert into HISTORY (%1) values (%2)").arg(kEntryColumns, marks);
    }();
    static const QString insertRow = QStringLiteral(
        "insert into HISTORY_ROWS (ENTRY, SEQ, TABLE_NAME, ROW_DATA) values (?, ?, ?, ?)");
    std::vector<sql::Statement> statements;
    statements.reserve(e.rows.size() + 1);
    statements.push_back(statement(insertEntry, values));
    int seq = 0;
    for (const RemovedRow& row : e.rows)
        statements.push_back(statement(insertRow, {e.number, qlonglong(++seq), row.table, row.encoded()}));
    return statements;
}

bool append(Engine& engine, Entry& e, QString* error, const std::optional<Tail>& known) {
    const std::optional<std::vector<sql::Statement>> statements = entryStatements(engine, e, error, known);
    if (!statements)
        return false;
    for (const sql::Statement& s : *statements)
        if (!engine.execute(s, error))
            return false;
    return true;
}

std::optional<std::vector<Entry>> read(Engine& engine, const QString& declaration, bool withRows, QString* error) {
    const bool all = declaration.isEmpty();
    const QString where = all ? QString() : QStringLiteral(" where INTNDC = ? COLLATE NOCASE");
    const QVariantList values = all ? QVariantList() : QVariantList{declaration};
    Recordset rs;
    if (!engine.query(
            statement(QStringLiteral("select %1 from HISTORY%2 order by ENTRY").arg(kEntryColumns, where), values), rs,
            error))
        return std::nullopt;
    std::vector<Entry> entries;
    entries.reserve(rs.rows().size());
    for (const auto& r : rs.rows()) {
        Entry e;
        e.number = r[0].toLongLong();
        e.when = QDateTime::fromString(stampOf(r[1]), kStamp);
        e.user = r[2].toString();
        e.workstation = r[3].toString();
        e.operation = r[4].toString();
        e.intndc = r[5].toString();
        e.artino = wholeOf(r[6]);
        e.artsno = wholeOf(r[7]);
        e.extnro = r[8].toString();
        e.extitm = wholeOf(r[9]);
        e.before = numberOf(r[10]);
        e.after = numberOf(r[11]);
        e.ref = wholeOf(r[12]);
        e.note = r[13].toString();
        e.previous = r[14].toString();
        e.digest = r[15].toString();
        // A stamp edited into another form still counts as edited.
        if (stampOf(r[1]) != sql::isoText(e.when, true))
            e.note += QChar(0x1f) + stampOf(r[1]);
        entries.push_back(std::move(e));
    }
    if (!withRows || entries.empty())
        return entries;
    Recordset rows;
    const QString rowsWhere = all ? QString()
                                  : QStringLiteral(" where ENTRY in (select ENTRY from HISTORY where INTNDC = ? "
                                                   "COLLATE NOCASE)");
    if (!engine.query(statement(QStringLiteral("select ENTRY, TABLE_NAME, ROW_DATA from HISTORY_ROWS%1 "
                                               "order by ENTRY, SEQ")
                                    .arg(rowsWhere),
                                values),
                      rows, error))
        return std::nullopt;
    std::size_t at = 0;
    for (const auto& r : rows.rows()) {
        const qint64 number = r[0].toLongLong();
        while (at < entries.size() && entries[at].number < number)
            ++at;
        if (at == entries.size() || entries[at].number != number)
            continue; // rows of an entry that is gone: the entry's absence shows
        // A row that no longer decodes is kept as text, so its digest shows the change.
        RemovedRow row = RemovedRow::decoded(r[1].toString(), r[2].toString())
                             .value_or(RemovedRow{r[1].toString(), {{QString(), QString(), r[2]}}});
        entries[at].rows.push_back(std::move(row));
    }
    return entries;
}

Verdict verify(const std::vector<Entry>& entries) {
    Verdict v;
    auto broken = [&](qint64 entry, const QString& reason) {
        v.intact = false;
        v.entry = entry;
        v.reason = reason;
        return v;
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (digestOf(e) != e.digest)
            return broken(e.number, QStringLiteral("entry %1: changed since it was written").arg(e.number));
        if (i == 0 && !e.previous.isEmpty()) {
            // The first entry left follows entries a prune removed, as a prune entry says.
            bool anchored = false;
            for (const Entry& p : entries)
                anchored = anchored ||
                           (p.operation == QLatin1String(kPrune) && p.ref == e.number && p.note.contains(e.previous));
            if (!anchored)
                return broken(e.number, QStringLiteral("entry %1: the entries before it were removed").arg(e.number));
        }
        if (i > 0 && e.previous != entries[i - 1].digest) {
            const qint64 expected = entries[i - 1].number + 1;
            if (e.number != expected)
                return broken(expected, QStringLiteral("entry %1: removed or moved (the chain breaks before entry %2)")
                                            .arg(expected)
                                            .arg(e.number));
            return broken(e.number, QStringLiteral("entry %1: does not follow entry %2 (one of them was changed "
                                                   "or put out of order)")
                                        .arg(e.number)
                                        .arg(entries[i - 1].number));
        }
    }
    return v;
}

namespace {

// The rows of the restore that would collide with rows in the stock now; "" when none.
QString collision(Engine& engine, const RemovedRow& row, QString* error) {
    auto count = [&](const QString& where, const QVariantList& values) -> qint64 {
        QVariant n;
        if (!scalar(engine, statement(QStringLiteral("select count(*) from %1 where %2").arg(row.table, where), values),
                    n, error))
            return -1;
        return n.toLongLong();
    };
    const QVariant intndc = row.value(QStringLiteral("INTNDC"));
    const QString code = intndc.toString();
    if (row.table == QLatin1String("OPERACIONES")) {
        const qint64 n = count(QStringLiteral("INTNDC = ? COLLATE NOCASE"), {intndc});
        if (n != 0)
            return n < 0 ? *error : QStringLiteral("declaration %1 is in stock again").arg(code);
        return QString();
    }
    const QVariant artino = row.value(QStringLiteral("ARTINO")), artsno = row.value(QStringLiteral("ARTSNO"));
    if (row.table == QLatin1String("ARTICULOS")) {
        const qint64 n = count(QStringLiteral("INTNDC = ? COLLATE NOCASE and ARTINO = ? and ARTSNO = ?"),
                               {intndc, artino, artsno});
        if (n != 0)
            return n < 0 ? *error
                         : QStringLiteral("article %1/%2 of declaration %3 is in stock again")
                               .arg(artino.toString(), artsno.toString(), code);
        return QString();
    }
    const QVariant extnro = row.value(QStringLiteral("EXTNRO")), extitm = row.value(QStringLiteral("EXTITM")),
                   linord = row.value(QStringLiteral("LINORD"));
    qint64 n = count(QStringLiteral("EXTNRO = ? COLLATE NOCASE and EXTITM = ? and LINORD = ?"),
                     {extnro, extitm, linord});
    if (n != 0)
        return n < 0 ? *error
                     : QStringLiteral("line %1 of export declaration %2 item %3 is used again")
                           .arg(linord.toString(), extnro.toString(), extitm.toString());
    n = count(QStringLiteral("INTNDC = ? COLLATE NOCASE and ARTINO = ? and ARTSNO = ? and EXTNRO = ? COLLATE NOCASE "
                             "and EXTITM = ?"),
              {intndc, artino, artsno, extnro, extitm});
    if (n != 0)
        return n < 0 ? *error
                     : QStringLiteral("article %1/%2 of declaration %3 has a cancellation against export "
                                      "declaration %4 item %5 again")
                           .arg(artino.toString(), artsno.toString(), code, extnro.toString(), extitm.toString());
    return QString();
}

bool insertRow(Engine& engine, const RemovedRow& row, QString* error) {
    QStringList columns;
    QVariantList values;
    for (const StoredValue& v : row.values) {
        columns << v.column;
        // On the server the column's type reads the text; on the file the value goes back
        // with the storage class it had.
        values << (engine.onServer() && v.text.isValid() && !v.text.isNull() ? v.text : row.value(v.column));
    }
    const QString shape = QStringLiteral("insert into %1 (%2) values (%3)")
                              .arg(row.table, columns.join(QStringLiteral(", ")),
                                   QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    return engine.execute(statement(shape, values), error).has_value();
}

// The article's available quantity recomputed as a registration does: its total less the
// sum of its cancellations rounded to cents.
bool recompute(Engine& engine, const RemovedRow& cancellation, QString* error) {
    const sql::ArticleKey key{cancellation.value(QStringLiteral("INTNDC")).toString(),
                              std::int32_t(cancellation.value(QStringLiteral("ARTINO")).toLongLong()),
                              std::int32_t(cancellation.value(QStringLiteral("ARTSNO")).toLongLong())};
    QVariant total;
    if (!scalar(engine, sql::sumCancelled(key), total, error))
        return false;
    const QString rounded = Regional::format(total.toDouble(), QStringLiteral("00.00"));
    return engine.execute(sql::updateAvailable(key, rounded), error).has_value();
}

// Opens the write transaction of a change made to the history itself (a restore, a
// pruning). The reason when it cannot: no history, or the lock not taken.
QString beginOnHistory(Engine& engine) {
    if (!present(engine))
        return QStringLiteral("the stock has no history (quendarx-db upgrade adds it)");
    QString error;
    if (!engine.begin(&error))
        return error.isEmpty() ? QStringLiteral("the stock's write lock could not be taken") : error;
    return QString();
}

// Records a change made to the history itself as the last entry of its transaction and
// commits; when the entry cannot be written, nothing of the change stays.
QString endOnHistory(Engine& engine, Entry& entry) {
    QString error;
    if (!append(engine, entry, &error)) {
        engine.rollback();
        return error;
    }
    engine.commit(&error);
    return error;
}

} // namespace

QString restore(Engine& engine, qint64 number, Entry* recorded) {
    QString error = beginOnHistory(engine);
    if (!error.isEmpty())
        return error;
    auto refuse = [&](const QString& reason) {
        engine.rollback();
        return reason;
    };
    Recordset rs;
    if (!engine.query(statement(QStringLiteral("select ENTRY from HISTORY where ENTRY = ?"), {number}), rs, &error))
        return refuse(error);
    if (rs.rows().empty())
        return refuse(QStringLiteral("there is no entry %1").arg(number));
    // The entry with its rows, read inside the write lock.
    std::optional<std::vector<Entry>> all = read(engine, QString(), true, &error);
    if (!all)
        return refuse(error);
    const Entry* found = nullptr;
    const Entry* restoredBy = nullptr;
    for (const Entry& e : *all) {
        if (e.number == number)
            found = &e;
        if (e.operation == QLatin1String(kRestore) && e.ref == number)
            restoredBy = &e;
    }
    if (!found)
        return refuse(QStringLiteral("there is no entry %1").arg(number));
    const bool single = found->operation == QLatin1String(kDeletion);
    if (!single && found->operation != QLatin1String(kDeclarationDeletion))
        return refuse(QStringLiteral("entry %1 is a %2, not a deletion: there is nothing to restore")
                          .arg(number)
                          .arg(found->operation));
    if (restoredBy)
        return refuse(QStringLiteral("entry %1 was restored already (entry %2)").arg(number).arg(restoredBy->number));
    if (found->rows.empty())
        return refuse(QStringLiteral("entry %1 keeps no rows to restore").arg(number));
    for (const RemovedRow& row : found->rows) {
        if (columnsOf(row.table).isEmpty())
            return refuse(QStringLiteral("entry %1 keeps a row of an unknown table %2").arg(number).arg(row.table));
        const QString clash = collision(engine, row, &error);
        if (!clash.isEmpty())
            return refuse(QStringLiteral("entry %1 cannot be restored: %2").arg(number).arg(clash));
    }
    if (single) {
        const RemovedRow& row = found->rows.front();
        QVariant n;
        if (!scalar(engine,
                    statement(QStringLiteral("select count(*) from ARTICULOS where INTNDC = ? COLLATE NOCASE and "
                                             "ARTINO = ? and ARTSNO = ?"),
                              {row.value(QStringLiteral("INTNDC")), row.value(QStringLiteral("ARTINO")),
                               row.value(QStringLiteral("ARTSNO"))}),
                    n, &error))
            return refuse(error);
        if (n.toLongLong() == 0)
            return refuse(QStringLiteral("entry %1 cannot be restored: its article is no longer in stock").arg(number));
    }
    for (const RemovedRow& row : found->rows)
        if (!insertRow(engine, row, &error))
            return refuse(QStringLiteral("entry %1 cannot be restored: %2").arg(number).arg(error));
    if (single && !recompute(engine, found->rows.front(), &error))
        return refuse(QStringLiteral("entry %1 cannot be restored: %2").arg(number).arg(error));

    Entry entry;
    entry.operation = QLatin1String(kRestore);
    entry.intndc = found->intndc;
    entry.artino = found->artino;
    entry.artsno = found->artsno;
    entry.extnro = found->extnro;
    entry.extitm = found->extitm;
    entry.after = found->before;
    entry.ref = number;
    entry.note = QStringLiteral("%1 row(s) put back").arg(found->rows.size());
    if (error = endOnHistory(engine, entry); !error.isEmpty())
        return error;
    if (recorded)
        *recorded = entry;
    return QString();
}

QString prune(Engine& engine, const QDateTime& before, int* removed) {
    QString error = beginOnHistory(engine);
    if (!error.isEmpty())
        return error;
    auto refuse = [&](const QString& reason) {
        engine.rollback();
        return reason;
    };
    const QString stamp = before.toString(kStamp);
    QVariant kept, last;
    if (!scalar(engine, statement(QStringLiteral("select min(ENTRY) from HISTORY where STAMP >= ?"), {stamp}), kept,
                &error) ||
        !scalar(engine, statement(QStringLiteral("select max(ENTRY) from HISTORY")), last, &error))
        return refuse(error);
    // Entries before the first one at or after the date go; what follows stays whole.
    const qint64 oldestKept = kept.isNull() ? last.toLongLong() + 1 : kept.toLongLong();
    QVariant count;
    if (!scalar(engine, statement(QStringLiteral("select count(*) from HISTORY where ENTRY < ?"), {oldestKept}), count,
                &error))
        return refuse(error);
    if (count.toLongLong() == 0)
        return refuse(QStringLiteral("no entry before %1: nothing to prune").arg(stamp));
    QVariant anchor;
    const QString anchorSql = kept.isNull() ? QStringLiteral("select DIGEST from HISTORY where ENTRY = ?")
                                            : QStringLiteral("select PREVIOUS from HISTORY where ENTRY = ?");
    if (!scalar(engine, statement(anchorSql, {kept.isNull() ? last.toLongLong() : oldestKept}), anchor, &error))
        return refuse(error);
    if (!engine.execute(statement(QStringLiteral("delete from HISTORY_ROWS where ENTRY < ?"), {oldestKept}), &error) ||
        !engine.execute(statement(QStringLiteral("delete from HISTORY where ENTRY < ?"), {oldestKept}), &error))
        return refuse(error);
    Entry entry;
    entry.operation = QLatin1String(kPrune);
    entry.ref = oldestKept;
    entry.note = QStringLiteral("%1 entries before %2 removed; the chain goes on from entry %3 after %4")
                     .arg(count.toLongLong())
                     .arg(stamp)
                     .arg(oldestKept)
                     .arg(anchor.toString());
    if (error = endOnHistory(engine, entry); !error.isEmpty())
        return error;
    if (removed)
        *removed = int(count.toLongLong());
    return QString();
}

namespace {

QString loginName(uid_t uid) {
    if (const passwd* pw = getpwuid(uid); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QString::number(uid) : user;
}

} // namespace

// Looked up once per user id: reading the user database costs more than the rest of an entry.
QString currentUser() {
    static thread_local std::optional<std::pair<uid_t, QString>> known;
    const uid_t uid = geteuid();
    if (!known || known->first != uid)
        known.emplace(uid, loginName(uid));
    return known->second;
}

QString workstation() { return QSysInfo::machineHostName(); }

} // namespace quendarx::history
