#include "shell/qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace kestrune {

namespace {

QStringList held;

// Qt reports a platform it cannot start with warnings and then a fatal message, which aborts.
// Until the application stands, its messages are held; a fatal one ends the process plainly,
// after Qt's own account of what failed.
void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    held.append(qFormatLogMessage(type, context, text));
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Kestrune needs a graphical desktop, but Qt could not open one:\n%s\n",
                     qPrintable(held.join(u'\n')));
        std::_Exit(1);
    }
}

} // namespace

std::unique_ptr<QApplication> startApplication(int& argc, char** argv) {
    const QtMessageHandler previous = qInstallMessageHandler(holdMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& message : std::exchange(held, {})) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    return application;
}

} // namespace kestrune
