#include "platform/Clock.h"
#include <QMutex>
#include <QMutexLocker>
#include <optional>

namespace quendarx {

namespace {
QMutex clockMutex;
std::optional<QDateTime> pinned;

QDateTime wholeSeconds(const QDateTime& value) {
    QDateTime result = value;
    const QTime t = value.time();
    result.setTime(QTime(t.hour(), t.minute(), t.second()));
    return result;
}
} // namespace

QDateTime Clock::now() {
    QMutexLocker lock(&clockMutex);
    // Whole seconds taken before the local time is worked out: setting a local time's
    // seconds again would work it out twice.
    return pinned ? *pinned : QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
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
