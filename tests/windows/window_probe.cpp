// Prints what a refused creation of Kestrune's window leaves; at 96 and then 144 DPI, the title
// bar's icon; the colours picked with high contrast off and on, under a scheme of its own.
#include <cstdio>
#include <cstdlib>

#include "main_window/win32/main_window.h"

// clang-format off
static long live; // objects on the heap
void* operator new(std::size_t size) { return ++live, std::malloc(size); }
void operator delete(void* object) noexcept { live -= object != nullptr, std::free(object); }
void operator delete(void* object, std::size_t) noexcept { operator delete(object); }
// clang-format on

int main() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Creation refused before the window takes its state.
    HHOOK refusal = SetWindowsHookExW(
        WH_CBT, [](int code, WPARAM, LPARAM) -> LRESULT { return code == HCBT_CREATEWND; }, nullptr,
        GetCurrentThreadId());
    const long before = live;
    std::printf("refused %d, ", kestrune::createMainWindow(instance, SW_SHOWNORMAL) == nullptr);
    std::printf("leaked %ld\n", live - before);
    UnhookWindowsHookEx(refusal);

    HWND window = kestrune::createMainWindow(instance, SW_SHOWNORMAL);
    for (const int dpi : {96, 144}) {
        const RECT place{};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
        ICONINFO icon{};
        GetIconInfo(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)),
                    &icon);
        BITMAP image{};
        GetObjectW(icon.hbmColor, sizeof image, &image);
        std::printf("%d dpi, small icon %ldx%ld\n", dpi, image.bmWidth, image.bmHeight);
    }

    const int roles[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_3DFACE};
    const COLORREF scheme[] = {0x102030, 0x405060, 0x708090};
    SetSysColors(3, roles, scheme); // until Wine's server ends
    for (const kestrune::Colours& c : {kestrune::coloursFor(false), kestrune::coloursFor(true)}) {
        std::printf("%06lx %06lx %06lx %06lx %06lx\n", c.window, c.label, c.box, c.boxText,
                    c.lines.value_or(0xffffffff));
    }
    return window == nullptr;
}
