// quendarx-host: drives the library through its automation interface, from a script
// (headless, transcript on standard output) or from the interactive host window.
#include "ComClient.h"
#include "InteractiveHost.h"
#include "Runner.h"
#include "platform/Regional.h"
#include "script/CommandLine.h"
#include "script/Json.h"
#include "script/ScriptError.h"
#include "state/basGlobal.h"
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdio.h>

using namespace quendarx;
using namespace quendarx::host;

namespace {

bool hasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"); }

int runRegistration(bool registering) {
    const QString path = linkedLibraryPath();
    if (path.isEmpty()) {
        std::fputs("quendarx-host: cannot find the library the host was built with\n", stderr);
        return 1;
    }
    try {
        const ComLibrary& library = ComLibrary::load(path);
        const com::HRESULT hr = registering ? library.registerServer() : library.unregisterServer();
        if (hr != com::S_OK) {
            std::fprintf(stderr, "quendarx-host: %s failed: 0x%08x\n",
                         registering ? "DllRegisterServer" : "DllUnregisterServer", static_cast<unsigned>(hr));
            return 1;
        }
        std::printf("%s %s\n", registering ? "registered" : "unregistered", qPrintable(path));
        return 0;
    } catch (const ScriptError& error) {
        std::fprintf(stderr, "quendarx-host: %s\n", error.what());
        return 1;
    }
}

// The script's lines, read as they are needed (so standard input can be typed).
Runner::LineSource lineSource(std::FILE* file) {
    return [file, first = true]() mutable -> std::optional<QString> {
        char* buffer = nullptr;
        std::size_t capacity = 0;
        const ssize_t length = getline(&buffer, &capacity, file);
        if (length < 0) {
            std::free(buffer);
            return std::nullopt;
        }
        QByteArray bytes(buffer, length);
        std::free(buffer);
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        if (first && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        first = false;
        return QString::fromUtf8(bytes);
    };
}

int runScript(const Options& options, int& argc, char** argv) {
    if (!options.gui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // QApplication took the environment's

    Transcript transcript = Transcript::toStdout();
    if (options.locale) {
        const auto locale = localeFromName(*options.locale);
        if (!locale) {
            transcript.write(QStringLiteral("SCRIPT 0 ") +
                             jsonString(QStringLiteral("unknown locale: %1").arg(*options.locale)));
            return 2;
        }
        Regional::setLocale(*locale);
    }

    std::FILE* file = options.script == u"-" ? stdin : std::fopen(qPrintable(options.script), "rb");
    if (!file) {
        transcript.write(QStringLiteral("SCRIPT 0 ") +
                         jsonString(QStringLiteral("cannot read %1").arg(options.script)));
        return 2;
    }

    int status = 0;
    {
        Runner runner(transcript);
        status = runner.run(lineSource(file));
    }
    if (file != stdin)
        std::fclose(file);
    resetLibraryState(); // the library's screens and connections go while Qt is still up
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const auto options = parseCommandLine(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "quendarx-host: %s\n%s", qPrintable(error), usageText());
        return 2;
    }
    switch (options->mode) {
    case Options::Mode::Help:
        std::fputs(usageText(), stdout);
        std::fputs(helpText(), stdout);
        return 0;
    case Options::Mode::Register:
        return runRegistration(true);
    case Options::Mode::Unregister:
        return runRegistration(false);
    case Options::Mode::Script:
        return runScript(*options, argc, argv);
    case Options::Mode::Interactive:
        break;
    }
    if (!hasDisplay()) {
        if (!options->screenshot) {
            std::fputs(usageText(), stderr);
            return 2;
        }
        // A picture of the window needs no screen: Qt draws it offscreen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return runInteractiveHost(*options, argc, argv);
}
