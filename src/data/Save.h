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
#include "data/clConexion.h"

namespace quendarx {

class Save {
public:
    explicit Save(clConexion& conexion) : conexion_(conexion) {}
    // Keeps what the save wrote when it ends by an error of the routine.
    ~Save();
    Save(const Save&) = delete;
    Save& operator=(const Save&) = delete;

    // Takes the write lock (waiting as long as the busy timeout allows). False when it
    // could not: the caller shows the message of its first write step.
    bool begin();
    // A write step succeeded; `message` is what the clerk is told if its effect is lost.
    void wrote(const QString& message);
    // Ends the save keeping what it wrote. Returns `message` (the outcome the routine
    // would show, "" for success), or the message of the first step whose effect was lost
    // when the commit failed or the engine had rolled the transaction back.
    QString end(const QString& message = QString());

private:
    clConexion& conexion_;
    bool open_ = false;
    QString firstLost_;
};

} // namespace quendarx
