#include "shell/qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace kestrune {

namespace {

// The display Qt opens: Wayland's where QT_QPA_PLATFORM asks for it, or, unset, in a Wayland
// session; X's otherwise.
std::string noDisplayLine() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool wayland = platform.isEmpty() ? qgetenv("XDG_SESSION_TYPE") == "wayland"
                                            : platform.startsWith("wayland");
    QByteArray display = qgetenv(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
    if (wayland && display.isEmpty()) {
        display = "wayland-0"; // the compositor's default socket
    }
    if (display.isEmpty()) {
        return "Kestrune needs a graphical desktop, but no display is set (DISPLAY is empty).";
    }
    return "Kestrune needs a graphical desktop, but could not reach the " +
           std::string(wayland ? "Wayland " : "") + "display \"" + display.toStdString() + "\".";
}

QStringList held;

// Qt reports a platform it cannot start with warnings and then a fatal message, which aborts.
// Until the application stands, its messages are held, and a fatal one ends the process plainly.
void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", noDisplayLine().c_str());
        std::_Exit(1);
    }
    held.append(qFormatLogMessage(type, context, text));
}

} // namespace

std::unique_ptr<QApplication> startApplication(int& argc, char** argv) {
    // Other platforms, such as offscreen, need no display.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) {
        return std::make_unique<QApplication>(argc, argv);
    }
    const QtMessageHandler previous = qInstallMessageHandler(holdMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& message : std::exchange(held, {})) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    return application;
}

} // namespace kestrune
