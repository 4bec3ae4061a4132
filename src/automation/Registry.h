#pragma once
// The registry file that maps the library's ProgIDs to class ids and the library's path:
//     [QuendarxDLL.clcancelMain]
//     CLSID={B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}
//     Library=/usr/lib/x86_64-linux-gnu/libquendarx.so.1
// Sections and keys match without regard to letter case; other sections of the file are
// left as they are.
#include "quendarx/automation.h"
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quendarx::registry {

struct Registration {
    QString progId;
    QString clsid;   // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    QString library; // absolute path of the library file
};

// $QUENDARX_REGISTRY, else $XDG_CONFIG_HOME/quendarx/registry.ini, else
// ~/.config/quendarx/registry.ini.
QString registryFilePath();

// The library's two classes, registered to the given library file.
std::vector<Registration> libraryRegistrations(const QString& libraryPath);
// The file of the loaded library (or program) that carries the server's code.
QString loadedLibraryPath();

// Writes the registrations (replacing sections of the same names), creating the file and
// its folders when needed. False when the file cannot be written.
bool writeRegistrations(const QString& file, const std::vector<Registration>& registrations);
// Removes the sections of these ProgIDs. True when the file is missing or was rewritten.
bool removeRegistrations(const QString& file, const QStringList& progIds);
// Reads one ProgID's section.
std::optional<Registration> lookUp(const QString& file, const QString& progId);

QString guidText(const com::GUID& guid);
std::optional<com::GUID> parseGuid(const QString& text);

} // namespace quendarx::registry
