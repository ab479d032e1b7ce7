#include <string>

#include "main_window/win32/main_window.h"
#include "runtime/program.h"

// Closing the window ends the loop with status 0; Quit ends the process from within it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HWND window = kestrune::createMainWindow(instance, show);
    if (window == nullptr) {
        return 1;
    }
    // Each error that leaves a command, in a message box owned by the window.
    kestrune::runtime::setErrorReporter([window](const std::u16string& message) {
        MessageBoxW(window, std::wstring(message.begin(), message.end()).c_str(), L"Kestrune",
                    MB_OK | MB_ICONWARNING);
    });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!kestrune::handleWindowKeys(window, message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
