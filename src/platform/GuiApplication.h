#pragma once
// The one QApplication that message boxes and screens share: the host's own, or one the
// library creates on first need when the host runs no Qt application and a display can be
// reached. Where none can be made (no display: Qt would end the process; a host running a
// QCoreApplication without widgets) nothing is created and the caller is told why.
#include <QString>

namespace quendarx {

enum class GuiAvailability {
    Ready,       // a QApplication runs on this thread
    Unavailable, // this host cannot show windows
    OtherThread, // a QApplication runs, on another thread
};

// Creates the QApplication when it is missing and a display is reachable. The process's
// C locale is left as it was. *reason (when given) says why windows cannot be shown.
GuiAvailability prepareGuiApplication(QString* reason = nullptr);

// Why no platform the QApplication would use can be reached here (empty when one can).
// Reads QT_QPA_PLATFORM, XDG_SESSION_TYPE, DISPLAY and WAYLAND_DISPLAY as Qt does.
QString unreachableDisplayReason();

} // namespace quendarx
