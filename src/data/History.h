#pragma once
// The stock's history: every save writes what it changed, inside its own transaction, so
// a save and its entry stand or fall together. An entry says who (the login name), where
// (the host name), when (the library's clock), the operation, the keys, the cancelled
// quantity before and after, and for a deletion every removed row, column by column with
// its stored type, enough to put it back exactly. Each entry carries the SHA-256 digest
// of its own content and of the entry before it, so that an entry changed, removed or
// moved by another client breaks the chain.
//
// The history is two plain tables of the stock, HISTORY and HISTORY_ROWS, on the file as
// on the server. A stock without them (made before they existed) keeps working: nothing
// is recorded until `quendarx-db upgrade` adds them.
#include "data/Engine.h"
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace quendarx::history {

// The operations, as the history spells them.
inline constexpr const char* kRegistration = "registration";
inline constexpr const char* kModification = "modification";
inline constexpr const char* kDeletion = "deletion";
inline constexpr const char* kDeclarationDeletion = "declaration-deletion";
inline constexpr const char* kImport = "import";
inline constexpr const char* kRestore = "restore";
inline constexpr const char* kPrune = "prune";
inline constexpr const char* kRepair = "repair";

// One value of a removed row: its column, the type it was stored with (the file's storage
// class, or the server's column type) and its text (null for NULL).
struct StoredValue {
    QString column;
    QString type;
    QVariant text;
};

// One row a deletion removed.
struct RemovedRow {
    QString table;
    std::vector<StoredValue> values;
    // The value of a column as it would be bound again (typed as it was stored).
    QVariant value(const QString& column) const;
    // The row as HISTORY_ROWS keeps it (a JSON array of [column, type, text]).
    QString encoded() const;
    static std::optional<RemovedRow> decoded(const QString& table, const QString& text);
};

struct Entry {
    qint64 number = 0;
    QDateTime when;
    QString user, workstation;
    QString operation;
    QString intndc;
    std::optional<qint64> artino, artsno;
    QString extnro;
    std::optional<qint64> extitm;
    std::optional<double> before, after;
    // A restore: the entry it undid. A prune: the oldest entry it kept.
    std::optional<qint64> ref;
    QString note;
    std::vector<RemovedRow> rows;
    QString previous, digest;
};

// An entry about the cancellation of an article against an export item, and the
// condition (with its values) that selects that cancellation for capture().
Entry cancellationEntry(const char* operation, const QString& intndc, qint64 artino, qint64 artsno,
                        const QString& extnro, qint64 extitm);
QString cancellationWhere();
QVariantList cancellationValues(const Entry& entry);

// The CREATE statements of the two tables (on the file, or on the server).
QString tablesSql(bool server);
// Whether the stock has the history tables.
bool present(Engine& engine);

// Reads, inside the save's transaction and before it deletes them, the rows of a stock
// table (OPERACIONES, ARTICULOS or CANCELACIONES) that `where` selects (a condition with
// `?` for each of `values`, codes compared as `? COLLATE NOCASE`), and adds them to rows.
bool capture(Engine& engine, const QString& table, const QString& where, const QVariantList& values,
             std::vector<RemovedRow>& rows, QString* error);

// The last entry of the history, which the next one follows: its number and digest (0 and
// a null text for an empty history).
struct Tail {
    qint64 number = 0;
    QString digest;
};
// The last entry as a connection's last save left it, with the stock's stamp right after
// that save's commit: while the connection finds the same stamp, the entry is still last.
struct KeptTail {
    StockStamp stamp;
    Tail tail;
};
// The query that reads the last entry, and the tail its rows give.
const sql::Statement& tailQuery();
Tail tailOf(const Recordset& rows);

// Appends an entry inside the caller's open write transaction (the save already holds the
// write lock, so the entry before it cannot change meanwhile): fills its number, time,
// user, workstation and digests. Any transaction may record an entry this way. `tail`,
// when given, is the last entry as read under the same lock (else it is read here).
bool append(Engine& engine, Entry& entry, QString* error, const std::optional<Tail>& tail = std::nullopt);
// The same entry as the statements that write it, for the caller to run (with its commit,
// see Engine::commitAfter); empty with the reason in *error when the last entry could not
// be read.
std::optional<std::vector<sql::Statement>> entryStatements(Engine& engine, Entry& entry, QString* error,
                                                           const std::optional<Tail>& tail = std::nullopt);

// The entries, oldest first (only those of a declaration when one is given), each with
// its removed rows when `withRows`. Empty with the reason in *error on failure.
std::optional<std::vector<Entry>> read(Engine& engine, const QString& declaration, bool withRows, QString* error);

// The digest an entry must carry, from its content and the digest before it.
QString digestOf(const Entry& entry);

// The verdict on a whole history, read with its rows, oldest first.
struct Verdict {
    bool intact = true;
    qint64 entry = 0; // the first entry found wrong
    QString reason;
};
Verdict verify(const std::vector<Entry>& entries);

// Puts back what a deletion entry removed, in one transaction, and records a restore
// entry. Returns the refusal ("" when restored); nothing is written when refused.
QString restore(Engine& engine, qint64 number, Entry* recorded);

// Removes the entries before the first one recorded at or after `before`, keeping the
// chain verifiable, and records a prune entry; *removed counts the entries removed.
// Returns the refusal ("" when done).
QString prune(Engine& engine, const QDateTime& before, int* removed);

// The login name of the process's user and the workstation's host name.
QString currentUser();
QString workstation();

} // namespace quendarx::history
