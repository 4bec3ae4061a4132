#include "platform/GuiApplication.h"
#include "platform/QtTexts.h"
#include <QApplication>
#include <QByteArrayList>
#include <QFileInfo>
#include <QThread>
#include <clocale>
#include <dlfcn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quendarx {

namespace {

// Whether an X server answers on $DISPLAY, asked the way the X platform of Qt asks it
// (libxcb, loaded only for the question: it is there whenever that platform is).
bool xServerAnswers() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb)
        return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool answers = false;
    if (connect && hasError && disconnect) {
        void* connection = connect(nullptr, nullptr);
        answers = connection && hasError(connection) == 0;
        if (connection)
            disconnect(connection);
    }
    dlclose(xcb);
    return answers;
}

// Whether a Wayland compositor listens on $WAYLAND_DISPLAY (default wayland-0).
bool waylandAnswers() {
    QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    if (!QFileInfo(name).isAbsolute()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return false;
        name = runtime + QLatin1Char('/') + name;
    }
    const std::string path = QFile::encodeName(name).toStdString();
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return answers;
}

// The platforms Qt would try, in order: QT_QPA_PLATFORM ("wayland;xcb", options after
// ':'), else the session's kind, else X.
QByteArrayList candidatePlatforms() {
    QByteArrayList names;
    for (const QByteArray& entry : qgetenv("QT_QPA_PLATFORM").split(';')) {
        const QByteArray name = entry.split(':').front().trimmed();
        if (!name.isEmpty())
            names << name;
    }
    if (names.isEmpty())
        names << (qgetenv("XDG_SESSION_TYPE") == "wayland" ? QByteArray("wayland") : QByteArray("xcb"));
    return names;
}

} // namespace

QString unreachableDisplayReason() {
    const QByteArrayList names = candidatePlatforms();
    for (const QByteArray& name : names) {
        if (name == "xcb") {
            if (xServerAnswers())
                return {};
        } else if (name.startsWith("wayland")) {
            if (waylandAnswers())
                return {};
        } else {
            return {}; // offscreen, a frame buffer...: nothing to reach
        }
    }
    return QStringLiteral("no display can be reached (platform %1, DISPLAY \"%2\", WAYLAND_DISPLAY \"%3\")")
        .arg(QString::fromLatin1(names.join(';')), qEnvironmentVariable("DISPLAY"),
             qEnvironmentVariable("WAYLAND_DISPLAY"));
}

GuiAvailability prepareGuiApplication(QString* reason) {
    auto tell = [reason](const QString& why) {
        if (reason)
            *reason = why;
    };
    QCoreApplication* running = QCoreApplication::instance();
    if (!running) {
        const QString unreachable = unreachableDisplayReason();
        if (!unreachable.isEmpty()) {
            tell(unreachable);
            return GuiAvailability::Unavailable;
        }
        static int argc = 1;
        static char name[] = "quendarx";
        static char* argv[] = {name, nullptr};
        // QApplication sets the C locale from the environment; the host's stays.
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        running = new QApplication(argc, argv); // lives until the process ends
        std::setlocale(LC_ALL, locale.c_str());
        installQtTranslations(); // Qt's own dialogs speak the clerk's language
    }
    if (!qobject_cast<QApplication*>(running)) {
        tell(QStringLiteral("the host runs a Qt application without windows (%1)")
                 .arg(QString::fromLatin1(running->metaObject()->className())));
        return GuiAvailability::Unavailable;
    }
    if (QThread::currentThread() != running->thread()) {
        tell(QStringLiteral("windows can only be shown on the thread that owns the user interface"));
        return GuiAvailability::OtherThread;
    }
    tell(QString());
    return GuiAvailability::Ready;
}

} // namespace quendarx
