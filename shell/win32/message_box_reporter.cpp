#include "shell/win32/message_box_reporter.h"

#include <string>
#include <system_error>

#include "runtime/program.h"

namespace kestrune {

namespace {

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length == 0 ||
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length) == 0) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
    }
    return wide;
}

} // namespace

void installMessageBoxReporter(HWND window) {
    runtime::setErrorReporter([window](const std::string& message) {
        MessageBoxW(window, fromUtf8(message).c_str(), L"Kestrune", MB_OK | MB_ICONWARNING);
    });
}

} // namespace kestrune
