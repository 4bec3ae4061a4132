#include "script/Registry.h"
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace quendarx::host {

QString registryPath() {
    const QString explicitPath = qEnvironmentVariable("QUENDARX_REGISTRY");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/quendarx/registry.ini");
}

std::optional<com::GUID> parseGuid(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\{?([0-9A-Fa-f]{8})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-"
                       "([0-9A-Fa-f]{12})\\}?$"));
    const auto match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'{') != trimmed.endsWith(u'}'))
        return std::nullopt;
    com::GUID guid{};
    guid.Data1 = match.captured(1).toUInt(nullptr, 16);
    guid.Data2 = static_cast<std::uint16_t>(match.captured(2).toUInt(nullptr, 16));
    guid.Data3 = static_cast<std::uint16_t>(match.captured(3).toUInt(nullptr, 16));
    const QString tail = match.captured(4) + match.captured(5);
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<std::uint8_t>(tail.mid(i * 2, 2).toUInt(nullptr, 16));
    return guid;
}

std::optional<Registration> lookupProgId(const QString& registryFile, const QString& progId) {
    QFile file(registryFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    bool inSection = false;
    std::optional<com::GUID> clsid;
    QString library;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            if (inSection)
                break;
            inSection = line.mid(1, line.size() - 2).trimmed().compare(progId, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(u"CLSID", Qt::CaseInsensitive) == 0)
            clsid = parseGuid(value);
        else if (key.compare(u"Library", Qt::CaseInsensitive) == 0)
            library = value;
    }
    if (!clsid || library.isEmpty())
        return std::nullopt;
    return Registration{*clsid, library};
}

} // namespace quendarx::host
