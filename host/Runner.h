#pragma once
// Runs a host script line by line against the library, writing the transcript.
#include "ComClient.h"
#include "ScreenDriver.h"
#include "Seams.h"
#include "script/Commands.h"
#include "script/Transcript.h"
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace quendarx::host {

class Runner {
public:
    // The next line of the script, or nothing at its end.
    using LineSource = std::function<std::optional<QString>()>;

    explicit Runner(Transcript& transcript);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // The exit status: 0 the script ran to its end, 3 a screen was left unscripted. A
    // script error writes `SCRIPT <line> <message>` and ends the process with status 2.
    int run(const LineSource& nextLine);

    // Writes the SCRIPT line and ends the process with status 2 at once (also from inside
    // a screen's event loop).
    [[noreturn]] void scriptError(int line, const QString& message);

private:
    void execute(const Command& command, int line);
    const ComObject& variable(const QString& name) const;
    void writeOutcome(const QString& member, const InvokeOutcome& outcome, bool hasResultLine);
    void releaseObjects();

    Transcript& transcript_;
    ScriptMessageBoxes messageBoxes_;
    RecordingPrinters printers_;
    ScriptFileDialogs fileDialogs_;
    ScreenDriver screens_;
    std::map<QString, ComObject> variables_;
};

} // namespace quendarx::host
