#pragma once
// The registry file a host resolves ProgIDs through: $QUENDARX_REGISTRY, else
// $XDG_CONFIG_HOME/quendarx/registry.ini, else ~/.config/quendarx/registry.ini. One
// section per ProgID with its CLSID and the library's path.
#include "quendarx/automation.h"
#include <QString>
#include <optional>

namespace quendarx::host {

struct Registration {
    com::GUID clsid{};
    QString library;
};

QString registryPath();

// "{B3D1C6E2-5A41-4F0B-9C7E-2D8A0F61C101}" (braces optional, any letter case).
std::optional<com::GUID> parseGuid(const QString& text);

// The registration of a ProgID (matched without regard to letter case) in the file, or
// nothing when the file, the section, its CLSID or its Library is missing.
std::optional<Registration> lookupProgId(const QString& registryFile, const QString& progId);

} // namespace quendarx::host
