#pragma once
// quendarx-host's command line.
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace quendarx::host {

struct Options {
    enum class Mode { Interactive, Script, Register, Unregister, Help };
    Mode mode = Mode::Interactive;
    QString script;                // "-" for standard input
    std::optional<QString> locale; // --locale NAME
    bool gui = false;
    // The interactive window only: --screenshot FILE saves a picture of the window and
    // exits; --set NAME=VALUE fills a field first (NAME its object name, e.g. txtInterno);
    // --press MEMBER presses a member's button (clImportar.Conectar_DB for that class's).
    std::optional<QString> screenshot;
    QList<std::pair<QString, QString>> fields;
    QStringList presses;
};

// The options of the arguments after the program name; nothing (and the reason in
// *error) when they do not make sense.
std::optional<Options> parseCommandLine(const QStringList& arguments, QString* error);

const char* usageText();
// What --help prints after the usage.
const char* helpText();

} // namespace quendarx::host
