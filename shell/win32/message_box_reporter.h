#pragma once

#include <windows.h>

namespace kestrune {

// Shows every error that leaves a command in a message box owned by the window and titled
// "Kestrune". The program then goes on; nothing the user typed is touched.
void installMessageBoxReporter(HWND window);

} // namespace kestrune
