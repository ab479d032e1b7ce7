// Prints, for each visible control of Kestrune's window in z-order at the system's DPI, the MSAA
// role and name a screen reader gets, the height inside the control and its font's cell height.
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
    return window == nullptr;
}
