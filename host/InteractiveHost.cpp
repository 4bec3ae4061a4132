#include "InteractiveHost.h"
#include "InteractiveHostWindow.h"
#include "platform/QtTexts.h"
#include "platform/Regional.h"
#include "script/Commands.h"
#include "state/basGlobal.h"
#include <QApplication>
#include <QPixmap>
#include <QtTest/QTest>
#include <clocale>
#include <cstdio>

namespace quendarx::host {

namespace {

// --set, then the window shown, then --press in order; false (reported) for a name the
// window does not have.
bool prepare(InteractiveHostWindow& window, const Options& options) {
    for (const auto& [field, value] : options.fields)
        if (!window.setField(field, value)) {
            std::fprintf(stderr, "quendarx-host: no field %s\n", qPrintable(field));
            return false;
        }
    window.show();
    for (const QString& member : options.presses)
        if (!window.press(member)) {
            std::fprintf(stderr, "quendarx-host: no button %s\n", qPrintable(member));
            return false;
        }
    return true;
}

int saveScreenshot(InteractiveHostWindow& window, const QString& file) {
    if (!QTest::qWaitForWindowExposed(&window, 10000))
        std::fputs("quendarx-host: the window was not exposed; grabbing it anyway\n", stderr);
    QTest::qWait(200); // the first paint and the status line settle
    if (!window.grab().save(file, "PNG")) {
        std::fprintf(stderr, "quendarx-host: cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    return 0;
}

} // namespace

int runInteractiveHost(const Options& options, int& argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // QApplication took the environment's
    if (options.locale) {
        const auto locale = localeFromName(*options.locale);
        if (!locale) {
            std::fprintf(stderr, "quendarx-host: unknown locale: %s\n", qPrintable(*options.locale));
            return 2;
        }
        Regional::setLocale(*locale);
        QLocale::setDefault(*locale);
    }
    installQtTranslations(); // Qt's own dialogs in the clerk's language
    // The modeless import screen is a window of its own: the program ends with the host
    // window, not with the last window.
    app.setQuitOnLastWindowClosed(false);
    int status = 0;
    {
        InteractiveHostWindow window;
        window.onClosed = [] { QCoreApplication::quit(); };
        if (!prepare(window, options))
            status = 2;
        else if (options.screenshot)
            status = saveScreenshot(window, *options.screenshot);
        else
            status = app.exec();
    }
    resetLibraryState(); // the library's screens and connections go while Qt is still up
    return status;
}

} // namespace quendarx::host
