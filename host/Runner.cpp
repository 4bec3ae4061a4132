#include "Runner.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "script/Json.h"
#include "script/Parser.h"
#include "script/ScriptError.h"
#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace quendarx::host {

Runner::Runner(Transcript& transcript)
    : transcript_(transcript), messageBoxes_(transcript), printers_(transcript), fileDialogs_(transcript),
      screens_(transcript, [this](int line, const QString& message) { scriptError(line, message); }) {
    MessageBoxes::setHandler(&messageBoxes_);
    // Nothing goes to paper: until the script names printers, the library sees none.
    Printers::setInstance(&printers_);
    FileDialogs::setHandler(&fileDialogs_);
}

Runner::~Runner() {
    releaseObjects();
    FileDialogs::setHandler(nullptr);
    Printers::setInstance(nullptr);
    MessageBoxes::setHandler(nullptr);
}

void Runner::scriptError(int line, const QString& message) {
    transcript_.write(QStringLiteral("SCRIPT ") + QString::number(line) + u' ' + jsonString(message));
    std::fflush(stdout);
    std::fflush(stderr);
    // Screens may be open with their event loops on the stack: leave without unwinding.
    std::_Exit(2);
}

int Runner::run(const LineSource& nextLine) {
    int line = 0;
    while (const std::optional<QString> text = nextLine()) {
        ++line;
        try {
            execute(parseLine(*text), line);
        } catch (const ScriptError& error) {
            scriptError(line, error.message());
        }
    }
    screens_.closeAll();
    for (const auto& [screen, count] : screens_.unusedQueues())
        std::fprintf(stderr, "quendarx-host: %d showing(s) of %s queued with when were never used\n", count,
                     qPrintable(screen));
    if (messageBoxes_.unusedAnswers())
        std::fprintf(stderr, "quendarx-host: %zu queued answer(s) were never used\n", messageBoxes_.unusedAnswers());
    if (fileDialogs_.unusedAnswers())
        std::fprintf(stderr, "quendarx-host: %zu queued savefile(s) were never used\n", fileDialogs_.unusedAnswers());
    releaseObjects();
    return screens_.hadUnscripted() ? 3 : 0;
}

const ComObject& Runner::variable(const QString& name) const {
    const auto it = variables_.find(name);
    if (it == variables_.end())
        throw ScriptError(QStringLiteral("unknown variable: %1").arg(name));
    return it->second;
}

void Runner::writeOutcome(const QString& member, const InvokeOutcome& outcome, bool hasResultLine) {
    if (outcome.failed) {
        transcript_.write(QStringLiteral("ERROR ") + member + u' ' + QString::number(outcome.errorNumber) + u' ' +
                          jsonString(outcome.errorDescription));
        return;
    }
    if (hasResultLine)
        transcript_.write(QStringLiteral("RESULT ") + member +
                          (outcome.result.isEmpty() ? QString() : u' ' + outcome.result));
    for (const QString& rs : outcome.recordsetLines)
        transcript_.write(QStringLiteral("RS ") + rs);
}

void Runner::execute(const Command& command, int line) {
    std::visit(
        [&](const auto& c) {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, NewCommand>) {
                ComObject object = createObject(c.progId);
                auto it = variables_.find(c.variable);
                if (it != variables_.end())
                    it->second.dispatch->Release();
                variables_[c.variable] = object;
            } else if constexpr (std::is_same_v<T, PutCommand>) {
                const ComObject& object = variable(c.variable);
                const QString shownAs = c.variable + u'.' + c.property;
                const com::DISPID id = memberId(object, c.property, shownAs);
                writeOutcome(shownAs, invokePut(object, id, c.value), false);
            } else if constexpr (std::is_same_v<T, CallCommand>) {
                const ComObject& object = variable(c.variable);
                const QString shownAs = c.variable + u'.' + c.method;
                const com::DISPID id = memberId(object, c.method, shownAs);
                const InvokeOutcome outcome = invokeMethod(object, id, c.arguments, isRecordsetMember(c.method));
                writeOutcome(shownAs, outcome, true);
                screens_.runUntilIdle();
            } else if constexpr (std::is_same_v<T, LocaleCommand>) {
                Regional::setLocale(c.locale);
            } else if constexpr (std::is_same_v<T, ClockCommand>) {
                if (c.pinned)
                    Clock::pin(*c.pinned);
                else
                    Clock::release();
            } else if constexpr (std::is_same_v<T, PrintersCommand>) {
                printers_.install(c.names, c.current);
            } else if constexpr (std::is_same_v<T, AnswerCommand>) {
                messageBoxes_.queueAnswer(c.yes);
            } else if constexpr (std::is_same_v<T, SaveFileCommand>) {
                fileDialogs_.queue(c.path);
            } else if constexpr (std::is_same_v<T, WhenCommand>) {
                screens_.queue(c.screen, c.actions, line);
            }
        },
        command);
}

void Runner::releaseObjects() {
    for (auto& [name, object] : variables_)
        object.dispatch->Release();
    variables_.clear();
}

} // namespace quendarx::host
