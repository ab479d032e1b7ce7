#pragma once

class QWidget;

namespace kestrune {

// Shows each error that leaves a command in a modal message box over the window, titled "Kestrune".
void installMessageBoxReporter(QWidget* window);

} // namespace kestrune
