// Builds Kestrune's window, as Kestrune.exe does, at the DPI the system runs at, and prints a line
// for each visible control in z-order: the role and name that a screen reader gets through MSAA,
// the height inside the control, and the height of its font's character cell.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <cstdio>
#include <oleacc.h>

#include "main_window/win32/main_window.h"

int main() {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);
    HWND window = kestrune::createMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        IAccessible* object = nullptr;
        if (!IsWindowVisible(child) ||
            FAILED(AccessibleObjectFromWindow(child, OBJID_CLIENT, __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&object)))) {
            continue;
        }
        VARIANT self{}, role{};
        self.vt = VT_I4; // CHILDID_SELF
        BSTR name = nullptr;
        wchar_t roleText[64] = L"";
        object->get_accRole(self, &role);
        object->get_accName(self, &name);
        GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 64);

        RECT inside;
        GetClientRect(child, &inside);
        HDC dc = GetDC(child);
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics;
        GetTextMetricsW(dc, &metrics);
        ReleaseDC(child, dc);
        std::printf("%ls\t%ls\t%ld\t%ld\n", roleText, name ? name : L"", inside.bottom - inside.top,
                    metrics.tmHeight);
        SysFreeString(name);
        object->Release();
    }
    std::fflush(stdout);
    return window == nullptr;
}
