#include <cstdio>
#include <cstdlib>

#include "kestrune_version.h"
#include "main_window/qt/main_window.h"
#include "runtime/program.h"
#include "shell/qt/application.h"
#include "shell/qt/message_box_reporter.h"

int main(int argc, char* argv[]) {
    const auto application = kestrune::startApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrune"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRUNE_VERSION_TEXT));
    // Lets Wayland compositors match the window to its desktop entry.
    QApplication::setDesktopFileName(QStringLiteral(KESTRUNE_APP_ID));

    // Quit ends the event loop as closing the window does, so that the clipboard passes on to the
    // desktop's clipboard manager as the application ends; no event reaches the window after it.
    kestrune::runtime::setEndHandler([] { QApplication::exit(0); });
    kestrune::MainWindow window;
    kestrune::installMessageBoxReporter(&window);
    window.show();
    const int status = QApplication::exec();
    // Qt 6.4's Wayland teardown can hang for good, waiting on its event thread, and hands nothing
    // over; the X one must run, as it gives the clipboard to the desktop's clipboard manager.
    if (QGuiApplication::platformName().startsWith(u"wayland")) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
