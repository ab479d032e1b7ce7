#pragma once

#include <optional>
#include <windows.h>

namespace kestrune {

// The colours the window draws in, as 0x00BBGGRR: the layout's own, or under high contrast the
// system's for each part's role. Lines then all take the one given, else each its own.
struct Colours {
    COLORREF window, label, box, boxText;
    std::optional<COLORREF> lines;
};
Colours coloursFor(bool highContrast);

// Creates the window frmMain with its controls, shows it, and returns it; nullptr on failure.
HWND createMainWindow(HINSTANCE instance, int show);

// The window's keyboard handling, for the message loop to call before dispatching: Tab and
// Shift+Tab between the controls, and Ctrl+A in a text box. True when the message was used.
bool handleWindowKeys(HWND window, MSG& message);

} // namespace kestrune
