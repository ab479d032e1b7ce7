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

    kestrune::MainWindow window;
    kestrune::installMessageBoxReporter(&window);
    window.show();
    QApplication::exec();
    // Closing the window ends the program as Quit does, at once: Qt 6.4's Wayland connection can
    // hang for good as it is torn down.
    kestrune::runtime::endProgram();
}
