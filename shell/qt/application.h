#pragma once

#include <memory>

#include <QApplication>

namespace kestrune {

// Starts Qt's application on the desktop. Where Qt cannot start its platform, says so in one line,
// followed by Qt's reasons, and ends the process with status 1, where Qt itself would abort.
std::unique_ptr<QApplication> startApplication(int& argc, char** argv);

} // namespace kestrune
