#pragma once
// One save of the local database (a registration, a modification, a deletion, the
// deletion of a declaration, an import) as one write transaction: taken before the first
// read that decides a write, so that two workstations never interleave, and ended before
// any message box or screen waits for the clerk.
//
// When a step fails, what the steps before it wrote is committed, so the clerk finds the
// same rows as if every statement had committed on its own; a program killed in the
// middle of a save leaves none of it. When the commit fails (or the engine rolled the
// transaction back by itself) the clerk sees the message of the first step whose effect
// was lost.
//
// A save also writes to the stock's history what it kept, in the same transaction: the
// routine records, after each write step that succeeded, what the save has changed so
// far, and end() writes the last record before the commit. A save rolled back records
// nothing; an entry that cannot be written takes the save back with it.
#include "data/History.h"
#include "data/clConexion.h"
#include <optional>

namespace quendarx {

class Save {
public:
    explicit Save(clConexion& conexion) : conexion_(conexion) {}
    // Keeps what the save wrote when it ends by an error of the routine.
    ~Save();
    Save(const Save&) = delete;
    Save& operator=(const Save&) = delete;

    // Takes the write lock (waiting as long as the busy timeout allows). False when it
    // could not: the caller shows the message of its first write step. `reads`: the
    // queries the routine sends first once it holds the lock, in order, as it sends them
    // (a server answers them from the lock's round trip).
    bool begin(const std::vector<sql::Statement>& reads = {});
    // The stock's stamp as begin() took the lock (empty where the engine keeps none): it
    // stays the stamp until the save writes.
    std::optional<StockStamp> lockStamp() const;
    // A write step succeeded; `message` is what the clerk is told if its effect is lost.
    void wrote(const QString& message);
    // Ends the save keeping what it wrote. Returns `message` (the outcome the routine
    // would show, "" for success), or the message of the first step whose effect was lost
    // when the commit failed or the engine had rolled the transaction back.
    QString end(const QString& message = QString());

    // Whether the stock keeps a history (so that rows about to be deleted are worth reading).
    bool recordsHistory();
    // Reads rows of a stock table before the save deletes them (see history::capture).
    bool capture(const QString& table, const QString& where, const QVariantList& values,
                 std::vector<history::RemovedRow>& rows);
    // What the save has changed so far; replaces an earlier record.
    void record(history::Entry entry);

private:
    clConexion& conexion_;
    bool open_ = false;
    QString firstLost_;
    std::optional<history::Entry> entry_;
    // The history's last entry as the lock was taken (none when the stock keeps no history
    // or the read failed: the entry then reads it itself), and the stock's stamp then.
    std::optional<history::Tail> tail_;
    std::optional<StockStamp> lockStamp_;
};

} // namespace quendarx
