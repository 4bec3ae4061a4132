#include "automation/Registry.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>
#include <dlfcn.h>

namespace quendarx::registry {

namespace {

const QString kCancelMainProgId = QStringLiteral("QuendarxDLL.clcancelMain");
const QString kImportarProgId = QStringLiteral("QuendarxDLL.clImportar");

QString environment(const char* name) { return qEnvironmentVariable(name); }

// A function with internal linkage: its address is always inside the library itself,
// never an executable's stub for an exported name.
void anchor() {}

// The section name of a "[name]" line; nullopt for any other line.
std::optional<QString> sectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith(QLatin1Char('[')) || !trimmed.endsWith(QLatin1Char(']')))
        return std::nullopt;
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

QStringList readLines(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString text = QString::fromUtf8(in.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The lines without the sections of these names (their blank lines go with them).
QStringList withoutSections(const QStringList& lines, const QStringList& names) {
    QStringList kept;
    bool skipping = false;
    for (const QString& line : lines) {
        if (const auto name = sectionName(line))
            skipping = names.contains(*name, Qt::CaseInsensitive);
        if (!skipping)
            kept << line;
    }
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    return kept;
}

bool writeLines(const QString& file, const QStringList& lines) {
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    out.write(text.toUtf8());
    return out.commit();
}

} // namespace

QString registryFilePath() {
    const QString explicitFile = environment("QUENDARX_REGISTRY");
    if (!explicitFile.isEmpty())
        return explicitFile;
    QString config = environment("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/quendarx/registry.ini");
}

std::vector<Registration> libraryRegistrations(const QString& libraryPath) {
    return {{kCancelMainProgId, guidText(com::CLSID_clcancelMain), libraryPath},
            {kImportarProgId, guidText(com::CLSID_clImportar), libraryPath}};
}

QString loadedLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) && info.dli_fname && *info.dli_fname) {
        const QFileInfo file(QString::fromLocal8Bit(info.dli_fname));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    // The server's code is in the program itself, found under a name that no longer
    // resolves (a relative argv[0]).
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

bool writeRegistrations(const QString& file, const std::vector<Registration>& registrations) {
    QStringList names;
    for (const Registration& r : registrations)
        names << r.progId;
    QStringList lines = withoutSections(readLines(file), names);
    for (const Registration& r : registrations) {
        if (!lines.isEmpty())
            lines << QString();
        lines << QLatin1Char('[') + r.progId + QLatin1Char(']') << QStringLiteral("CLSID=") + r.clsid
              << QStringLiteral("Library=") + r.library;
    }
    return writeLines(file, lines);
}

bool removeRegistrations(const QString& file, const QStringList& progIds) {
    if (!QFileInfo::exists(file))
        return true;
    const QStringList lines = readLines(file);
    const QStringList kept = withoutSections(lines, progIds);
    return kept == lines || writeLines(file, kept);
}

std::optional<Registration> lookUp(const QString& file, const QString& progId) {
    std::optional<Registration> found;
    bool inside = false;
    for (const QString& line : readLines(file)) {
        if (const auto name = sectionName(line)) {
            inside = name->compare(progId, Qt::CaseInsensitive) == 0;
            if (inside && !found)
                found = Registration{*name, {}, {}};
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inside || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key.compare(QStringLiteral("CLSID"), Qt::CaseInsensitive) == 0)
            found->clsid = value;
        else if (key.compare(QStringLiteral("Library"), Qt::CaseInsensitive) == 0)
            found->library = value;
    }
    return found;
}

QString guidText(const com::GUID& g) {
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                             g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                             g.Data4[7]);
}

std::optional<com::GUID> parseGuid(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "^\\{?([0-9A-Fa-f]{8})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{12})\\}?$"));
    const auto match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    com::GUID g{};
    g.Data1 = match.captured(1).toUInt(nullptr, 16);
    g.Data2 = static_cast<std::uint16_t>(match.captured(2).toUInt(nullptr, 16));
    g.Data3 = static_cast<std::uint16_t>(match.captured(3).toUInt(nullptr, 16));
    const QString tail = match.captured(4) + match.captured(5);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = static_cast<std::uint8_t>(tail.mid(i * 2, 2).toUInt(nullptr, 16));
    return g;
}

} // namespace quendarx::registry

using namespace quendarx;

extern "C" {

com::HRESULT DllRegisterServer() {
    try {
        const QString library = registry::loadedLibraryPath();
        if (library.isEmpty())
            return com::E_FAIL;
        return registry::writeRegistrations(registry::registryFilePath(), registry::libraryRegistrations(library))
                   ? com::S_OK
                   : com::SELFREG_E_CLASS;
    } catch (...) {
        return com::E_FAIL;
    }
}

com::HRESULT DllUnregisterServer() {
    try {
        const QStringList progIds{registry::kCancelMainProgId, registry::kImportarProgId};
        return registry::removeRegistrations(registry::registryFilePath(), progIds) ? com::S_OK : com::SELFREG_E_CLASS;
    } catch (...) {
        return com::E_FAIL;
    }
}

} // extern "C"
