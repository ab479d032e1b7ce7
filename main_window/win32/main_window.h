#pragma once

#include <windows.h>

namespace kestrune {

// Creates the window frmMain with its controls, shows it, and returns it; nullptr on failure.
HWND createMainWindow(HINSTANCE instance, int show);

// The window's keyboard handling, for the message loop to call before dispatching: Tab and
// Shift+Tab between the controls, and Ctrl+A in a text box. True when the message was used.
bool handleWindowKeys(HWND window, MSG& message);

} // namespace kestrune
