#pragma once
// The library's current date and time; tests and the host script pin it.
#include <QDateTime>

namespace quendarx {

class Clock {
public:
    // The pinned time when one is pinned, else the system's local time (whole seconds).
    static QDateTime now();
    static void pin(const QDateTime& value);
    static void release();
};

} // namespace quendarx
