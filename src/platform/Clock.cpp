#include "platform/Clock.h"
#include <QMutex>
#include <QMutexLocker>
#include <optional>

namespace quendarx {

namespace {
QMutex clockMutex;
std::optional<QDateTime> pinned;
// The last second read and its local time: working a local time out asks the system for its
// time zone each time, and a save reads the clock more than once in the same second.
qint64 lastSecond = -1;
QDateTime lastLocal;

QDateTime wholeSeconds(const QDateTime& value) {
    QDateTime result = value;
    const QTime t = value.time();
    result.setTime(QTime(t.hour(), t.minute(), t.second()));
    return result;
}
} // namespace

QDateTime Clock::now() {
    QMutexLocker lock(&clockMutex);
    if (pinned)
        return *pinned;
    // Whole seconds taken before the local time is worked out: setting a local time's
    // seconds again would work it out twice.
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != lastSecond) {
        lastLocal = QDateTime::fromSecsSinceEpoch(second);
        lastSecond = second;
    }
    return lastLocal;
}

void Clock::pin(const QDateTime& value) {
    QMutexLocker lock(&clockMutex);
    pinned = wholeSeconds(value);
}

void Clock::release() {
    QMutexLocker lock(&clockMutex);
    pinned.reset();
}

} // namespace quendarx
