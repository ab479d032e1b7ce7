// Builds Kestrune's window, as Kestrune.exe does, at the DPI the system runs at, and prints a line
// for each visible control in z-order: the role and name that a screen reader gets through MSAA,
// the height inside the control, and the height of its font's character cell.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <cstdio>
#include <oleacc.h>

#include "main_window/win32/main_window.h"

namespace {

void print(const wchar_t* text) {
    char utf8[256];
    WideCharToMultiByte(CP_UTF8, 0, text ? text : L"", -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%s\t", utf8);
}

void printAccessible(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        std::printf("-\t-\t");
        return;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{};
    BSTR name = nullptr;
    object->get_accRole(self, &role);
    object->get_accName(self, &name);
    wchar_t roleText[64] = L"";
    GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 64);
    print(roleText);
    print(name);
    SysFreeString(name);
    object->Release();
}

void printFontCell(HWND control) {
    RECT inside;
    GetClientRect(control, &inside);
    TEXTMETRICW metrics;
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    std::printf("%ld\t%ld\n", inside.bottom - inside.top, metrics.tmHeight);
}

} // namespace

int main() {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);
    HWND window = kestrune::createMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    if (window == nullptr) {
        return 1;
    }
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child)) {
            printAccessible(child);
            printFontCell(child);
        }
    }
    std::fflush(stdout);
    CoUninitialize();
    return 0;
}
