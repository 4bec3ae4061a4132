#include "script/CommandLine.h"

namespace quendarx::host {

const char* usageText() {
    return "usage: quendarx-host --script FILE [--locale NAME] [--gui]   (FILE - reads standard "
           "input)\n"
           "       quendarx-host --register | --unregister\n"
           "       quendarx-host                                         (interactive host "
           "window)\n"
           "       quendarx-host [--locale NAME] [--set FIELD=VALUE]... [--press MEMBER]... "
           "[--screenshot FILE]\n";
}

std::optional<Options> parseCommandLine(const QStringList& arguments, QString* error) {
    Options options;
    bool scriptGiven = false;
    auto setMode = [&](Options::Mode mode) {
        if (options.mode != Options::Mode::Interactive && options.mode != mode) {
            *error = QStringLiteral("--script, --register and --unregister exclude each other");
            return false;
        }
        options.mode = mode;
        return true;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == u"--script") {
            if (!hasValue || scriptGiven) {
                *error = QStringLiteral("--script needs one FILE");
                return std::nullopt;
            }
            if (!setMode(Options::Mode::Script))
                return std::nullopt;
            options.script = arguments[++i];
            scriptGiven = true;
        } else if (arg == u"--locale") {
            if (!hasValue) {
                *error = QStringLiteral("--locale needs a NAME");
                return std::nullopt;
            }
            options.locale = arguments[++i];
        } else if (arg == u"--gui") {
            options.gui = true;
        } else if (arg == u"--screenshot" || arg == u"--press") {
            if (!hasValue) {
                *error = QStringLiteral("%1 needs a value").arg(arg);
                return std::nullopt;
            }
            if (arg == u"--screenshot")
                options.screenshot = arguments[++i];
            else
                options.presses << arguments[++i];
        } else if (arg == u"--set") {
            const qsizetype equals = hasValue ? arguments[i + 1].indexOf(u'=') : -1;
            if (equals <= 0) {
                *error = QStringLiteral("--set needs FIELD=VALUE");
                return std::nullopt;
            }
            const QString& pair = arguments[++i];
            options.fields.append({pair.left(equals), pair.mid(equals + 1)});
        } else if (arg == u"--register") {
            if (!setMode(Options::Mode::Register))
                return std::nullopt;
        } else if (arg == u"--unregister") {
            if (!setMode(Options::Mode::Unregister))
                return std::nullopt;
        } else {
            *error = QStringLiteral("unknown argument: %1").arg(arg);
            return std::nullopt;
        }
    }
    const bool windowOptions = options.screenshot || !options.fields.isEmpty() || !options.presses.isEmpty();
    if (windowOptions && options.mode != Options::Mode::Interactive) {
        *error = QStringLiteral("--screenshot, --set and --press go with the interactive window only");
        return std::nullopt;
    }
    return options;
}

} // namespace quendarx::host
