#include "data/StockFiles.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace quendarx {

namespace {

// The absolute path with the folder's links resolved; the last name as given, since the
// file itself may not exist yet.
QString resolved(const QString& path) {
    const QFileInfo info(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString full = (dir.isEmpty() ? info.absolutePath() : dir) + QLatin1Char('/') + info.fileName();
    const QString target = QFileInfo(full).canonicalFilePath(); // a link to the file itself
    return target.isEmpty() ? full : target;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

bool isStockFileOrCompanion(const QString& candidate, const QString& stockPath) {
    if (candidate.isEmpty() || stockPath.isEmpty())
        return false;
    const QString target = resolved(candidate);
    const QString stock = resolved(stockPath);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        const QString file = stock + QLatin1String(suffix);
        if (target == file || sameFile(target, file))
            return true;
    }
    return false;
}

} // namespace quendarx
