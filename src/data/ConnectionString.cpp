#include "data/ConnectionString.h"
#include <QStringList>

namespace quendarx {

namespace {

struct Part {
    QString key;
    QString value;
};

QList<Part> parts(const QString& connectionString) {
    QList<Part> result;
    const QStringList pieces = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        QString value = piece.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        result.append({piece.left(eq).simplified(), value});
    }
    return result;
}

} // namespace

std::optional<QString> jetDataSource(const QString& connectionString) {
    bool jet = false;
    QString path;
    for (const Part& part : parts(connectionString)) {
        if (part.key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0)
            jet = part.value.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive);
        else if (part.key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
            path = part.value;
    }
    if (!jet)
        return std::nullopt;
    return path;
}

QString odbcDatabaseName(const QString& connectionString) {
    const QString trimmed = connectionString.trimmed();
    if (trimmed.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive) ||
        trimmed.contains(QLatin1String("SERVER="), Qt::CaseInsensitive))
        return trimmed;
    static const QLatin1String dsn("DSN=");
    if (trimmed.startsWith(dsn, Qt::CaseInsensitive))
        return trimmed.mid(dsn.size());
    return trimmed;
}

} // namespace quendarx
