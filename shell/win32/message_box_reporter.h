#pragma once

#include <windows.h>

namespace kestrune {

// Shows each error that leaves a command in a message box owned by the window, titled "Kestrune".
void installMessageBoxReporter(HWND window);

} // namespace kestrune
