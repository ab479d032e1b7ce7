// High contrast reported from the registry's flags (as a number), where Wine always reports it
// off. For rundll32: Start runs a program with this DLL, which then answers its
// SystemParametersInfoW; Set FLAGS MESSAGE [WINDOW TEXT FACE] sets the flags, and the system
// colours if given (BBGGRR), and sends MESSAGE to every window.
#include <cstdio>
#include <process.h>
#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase; // this DLL's

namespace {
const char* const kKey = "Control Panel\\Accessibility\\HighContrast";

BOOL WINAPI reporting(UINT action, UINT size, void* data, UINT update) {
    if (action != SPI_GETHIGHCONTRAST) {
        return SystemParametersInfoW(action, size, data, update);
    }
    DWORD flags = 0, bytes = sizeof flags;
    RegGetValueA(HKEY_CURRENT_USER, kKey, "Flags", RRF_RT_REG_DWORD, nullptr, &flags, &bytes);
    *static_cast<HIGHCONTRASTW*>(data) = {size, flags, nullptr};
    return TRUE;
}
} // namespace

// Points the program's import of SystemParametersInfoW here.
BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& table = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    auto* slots = reinterpret_cast<void**>(base + table.VirtualAddress);
    for (DWORD i = 0, was; i < table.Size / sizeof *slots; ++i) {
        if (slots[i] == reinterpret_cast<void*>(&SystemParametersInfoW)) {
            VirtualProtect(&slots[i], sizeof *slots, PAGE_READWRITE, &was);
            slots[i] = reinterpret_cast<void*>(&reporting);
        }
    }
    return TRUE;
}

// Does nothing: hooked into every window's creation, it loads this DLL into the program.
extern "C" __declspec(dllexport) LRESULT CALLBACK Hook(int code, WPARAM w, LPARAM l) {
    return CallNextHookEx(nullptr, code, w, l);
}

extern "C" __declspec(dllexport) void CALLBACK Start(HWND window, HINSTANCE, char* program, int) {
    DestroyWindow(window); // rundll32's, which would hold up Set's messages while this waits
    SetWindowsHookExW(WH_CBT, &Hook, reinterpret_cast<HMODULE>(&__ImageBase), 0);
    _spawnl(_P_WAIT, program, program, nullptr);
}

extern "C" __declspec(dllexport) void CALLBACK Set(HWND, HINSTANCE, char* arguments, int) {
    const int roles[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_3DFACE};
    COLORREF colours[3];
    DWORD flags = 0;
    UINT message = 0;
    if (std::sscanf(arguments, "%lu %u %lx %lx %lx", &flags, &message, &colours[0], &colours[1],
                    &colours[2]) == 5) {
        SetSysColors(3, roles, colours);
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Flags", REG_DWORD, &flags, sizeof flags);
    SendMessageTimeoutW(HWND_BROADCAST, message, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
}
