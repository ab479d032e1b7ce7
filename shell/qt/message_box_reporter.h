#pragma once

class QWidget;

namespace kestrune {

// Shows every error that leaves a command in a modal message box over the window, titled
// "Kestrune". The program then goes on; nothing the user typed is touched.
void installMessageBoxReporter(QWidget* window);

} // namespace kestrune
