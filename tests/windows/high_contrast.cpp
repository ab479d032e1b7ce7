// High contrast as Windows reports it, from the registry, where Wine always reports it off. For
// rundll32: Start runs a program with this DLL, which then answers its SystemParametersInfoW;
// Set FLAGS MESSAGE [WINDOW TEXT FACE] sets the flags, and the system colours if given (BBGGRR),
// and sends MESSAGE to every window.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase; // this DLL's

namespace {
const char* const kKey = "Control Panel\\Accessibility\\HighContrast";

BOOL WINAPI reporting(UINT action, UINT size, void* data, UINT update) {
    char flags[16] = "0";
    DWORD bytes = sizeof flags;
    if (action != SPI_GETHIGHCONTRAST) {
        return SystemParametersInfoW(action, size, data, update);
    }
    RegGetValueA(HKEY_CURRENT_USER, kKey, "Flags", RRF_RT_REG_SZ, nullptr, flags, &bytes);
    *static_cast<HIGHCONTRASTW*>(data) = {size, std::strtoul(flags, nullptr, 10), nullptr};
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

// Loads this DLL by an APC, which the program's first thread runs before the program's entry.
extern "C" __declspec(dllexport) void CALLBACK Start(HWND window, HINSTANCE, char* command, int) {
    DestroyWindow(window); // rundll32's, which would hold up Set's messages while this waits
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t path[MAX_PATH];
    const DWORD bytes =
        (GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH) + 1) *
        sizeof *path;
    CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                   &startup, &process);
    void* copy = VirtualAllocEx(process.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process.hProcess, copy, path, bytes, nullptr);
    QueueUserAPC(reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(&LoadLibraryW)),
                 process.hThread, reinterpret_cast<ULONG_PTR>(copy));
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
}

extern "C" __declspec(dllexport) void CALLBACK Set(HWND, HINSTANCE, char* arguments, int) {
    const int roles[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_3DFACE};
    COLORREF colours[3];
    char flags[16] = "0";
    UINT message = 0;
    if (std::sscanf(arguments, "%15s %u %lx %lx %lx", flags, &message, &colours[0], &colours[1],
                    &colours[2]) == 5) {
        SetSysColors(3, roles, colours);
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Flags", REG_SZ, flags, std::strlen(flags) + 1);
    SendMessageTimeoutW(HWND_BROADCAST, message, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
}
