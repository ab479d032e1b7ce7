#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "main_window/win32/main_window.h"
#include "shell/win32/message_box_reporter.h"

// Closing the window ends the loop with status 0; Quit ends the process from within it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    // Loads Common Controls 6, which the manifest asks for, so the controls are themed.
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    HWND window = kestrune::createMainWindow(instance, show);
    if (window == nullptr) {
        return 1;
    }
    kestrune::installMessageBoxReporter(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!kestrune::handleWindowKeys(window, message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
