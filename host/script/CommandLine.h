#pragma once
// quendarx-host's command line.
#include <QString>
#include <QStringList>
#include <optional>

namespace quendarx::host {

struct Options {
    enum class Mode { Interactive, Script, Register, Unregister };
    Mode mode = Mode::Interactive;
    QString script;                // "-" for standard input
    std::optional<QString> locale; // --locale NAME
    bool gui = false;
};

// The options of the arguments after the program name; nothing (and the reason in
// *error) when they do not make sense.
std::optional<Options> parseCommandLine(const QStringList& arguments, QString* error);

const char* usageText();

} // namespace quendarx::host
