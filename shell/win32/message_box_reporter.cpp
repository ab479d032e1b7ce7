#include "shell/win32/message_box_reporter.h"

#include <string>

#include "runtime/program.h"

namespace kestrune {

void installMessageBoxReporter(HWND window) {
    runtime::setErrorReporter([window](const std::u16string& message) {
        MessageBoxW(window, std::wstring(message.begin(), message.end()).c_str(), L"Kestrune",
                    MB_OK | MB_ICONWARNING);
    });
}

} // namespace kestrune
