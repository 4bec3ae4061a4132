#include "script/CommandLine.h"
#include <QCommandLineParser>

namespace quendarx::host {

const char* usageText() {
    return "usage: quendarx-host --script FILE [--locale NAME] [--gui]   (FILE - reads standard "
           "input)\n"
           "       quendarx-host --register | --unregister\n"
           "       quendarx-host                                         (interactive host "
           "window)\n"
           "       quendarx-host [--locale NAME] [--set FIELD=VALUE]... [--press MEMBER]... "
           "[--screenshot FILE]\n"
           "       quendarx-host --help\n";
}

const char* helpText() {
    return "\n"
           "Plays the export-declaration program that loads the library, and the clerk at its\n"
           "screens: --script runs a host script (headless unless --gui) and writes its\n"
           "transcript on standard output; without one it opens the host window.\n"
           "\n"
           "  --script FILE        run the host script FILE ('-' reads standard input)\n"
           "  --locale NAME        regional settings for the whole run (es_AR, en_US...)\n"
           "  --gui                show the screens of a script in real windows\n"
           "  --set FIELD=VALUE    the host window: fill a field first (txtInterno=...)\n"
           "  --press MEMBER       the host window: press a member's button once shown\n"
           "  --screenshot FILE    the host window: write a picture of it and exit\n"
           "  --register           write the library's classes into the registry file\n"
           "  --unregister         remove them\n"
           "  -h, --help           show this help and exit\n"
           "\n"
           "Exit status of a script: 0 when it ran to its end, 2 for a script error, 3 when\n"
           "a screen had to be closed because nothing was scripted for it. The script\n"
           "language is described in the README (For host authors: the host script).\n";
}

std::optional<Options> parseCommandLine(const QStringList& arguments, QString* error) {
    const QCommandLineOption script(QStringLiteral("script"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption locale(QStringLiteral("locale"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption gui(QStringLiteral("gui"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption press(QStringLiteral("press"), QString(), QStringLiteral("MEMBER"));
    const QCommandLineOption set(QStringLiteral("set"), QString(), QStringLiteral("FIELD=VALUE"));
    const QCommandLineOption registering(QStringLiteral("register"));
    const QCommandLineOption unregistering(QStringLiteral("unregister"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    QCommandLineParser parser;
    parser.addOptions({script, locale, gui, screenshot, press, set, registering, unregistering, help});
    if (!parser.parse(QStringList{QStringLiteral("quendarx-host")} + arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unknown argument: %1").arg(parser.positionalArguments().constFirst());
        return std::nullopt;
    }
    Options options;
    if (parser.isSet(help)) {
        options.mode = Options::Mode::Help;
        return options;
    }
    // A value is never an option: "--script --gui" names no script.
    for (const QCommandLineOption* option : {&script, &locale, &screenshot, &press, &set})
        for (const QString& value : parser.values(*option))
            if (value.startsWith(u'-') && value != u"-") {
                *error = QStringLiteral("--%1 needs a %2, not the option %3")
                             .arg(option->names().constFirst(), option->valueName(), value);
                return std::nullopt;
            }
    const int modes = int(parser.isSet(script)) + int(parser.isSet(registering)) + int(parser.isSet(unregistering));
    if (modes > 1) {
        *error = QStringLiteral("--script, --register and --unregister exclude each other");
        return std::nullopt;
    }
    if (parser.values(script).size() > 1) {
        *error = QStringLiteral("--script needs one FILE");
        return std::nullopt;
    }
    if (parser.isSet(script)) {
        options.mode = Options::Mode::Script;
        options.script = parser.value(script);
    } else if (parser.isSet(registering)) {
        options.mode = Options::Mode::Register;
    } else if (parser.isSet(unregistering)) {
        options.mode = Options::Mode::Unregister;
    }
    if (parser.isSet(locale)) // an unknown name is refused where the run begins
        options.locale = parser.value(locale);
    options.gui = parser.isSet(gui);
    if (parser.isSet(screenshot))
        options.screenshot = parser.values(screenshot).constLast();
    options.presses = parser.values(press);
    for (const QString& pair : parser.values(set)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) {
            *error = QStringLiteral("--set needs FIELD=VALUE");
            return std::nullopt;
        }
        options.fields.append({pair.left(equals), pair.mid(equals + 1)});
    }
    const bool windowOptions = options.screenshot || !options.fields.isEmpty() || !options.presses.isEmpty();
    if (windowOptions && options.mode != Options::Mode::Interactive) {
        *error = QStringLiteral("--screenshot, --set and --press go with the interactive window only");
        return std::nullopt;
    }
    return options;
}

} // namespace quendarx::host
