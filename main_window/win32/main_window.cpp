#include "main_window/win32/main_window.h"

#include <algorithm>
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <windowsx.h>

#include "main_window/frm_main.h"
#include "main_window/layout.h"
#include "runtime/program.h"

namespace kestrune {

namespace {

// A control's ID is kFirstId plus its index in kControls, created in that order (tab and z-order),
// clear of IDOK and IDCANCEL, which the dialog manager sends for Enter and Escape.
constexpr int kFirstId = 100;

// Each kind's window class, in layout::Kind's order.
struct WindowClass {
    const wchar_t* name; // none for a line, which the window draws itself
    DWORD style;
    DWORD extendedStyle;
};
constexpr WindowClass kWindowClasses[] = {
    {L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0},
    // Clipped where txtResult, created before it, lies over it.
    {L"STATIC", SS_LEFT | SS_NOPREFIX | WS_CLIPSIBLINGS, 0},
    {nullptr, 0, 0},
};

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

// The per-window DPI calls came with Windows 10 version 1607. They are looked up at run time, so
// that the program still starts on Windows 7 SP1 and 8.1, where the system DPI serves instead.
template <typename Function> Function* fromUser32(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

int dpiOf(HWND window) {
    if (const auto getDpiForWindow = fromUser32<decltype(GetDpiForWindow)>("GetDpiForWindow")) {
        return getDpiForWindow(window);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

RECT rectOf(const layout::Twips& twips, int dpi) {
    const layout::Pixels pixels = layout::toPixels(twips, dpi);
    return {pixels.left, pixels.top, pixels.right, pixels.bottom};
}

// The core's text as Windows' own: both are UTF-16, so the units pass as they are.
std::wstring wide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

// The commands' view of an edit control. Text crosses to and from Windows' strings here only.
class EditTextBox : public TextBox {
public:
    HWND edit = nullptr;

    std::u16string text() const override {
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        SetLastError(ERROR_SUCCESS);
        const int length = GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
        if (length == 0 && GetLastError() != ERROR_SUCCESS) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "Cannot read the text box");
        }
        return {text.begin(), text.begin() + length};
    }

    void setText(const std::u16string& text) override {
        if (!SetWindowTextW(edit, wide(text).c_str())) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "Cannot write the result box");
        }
    }
};

struct WindowState {
    EditTextBox encryptBox, decryptBox, resultBox;
    frmMain commands{encryptBox, decryptBox, resultBox};
    Colours colours;
    HFONT font = nullptr;
    int dpi = USER_DEFAULT_SCREEN_DPI; // the one the window is laid out for
    HWND focus = nullptr;              // the control to give the focus back to on reactivation

    ~WindowState() { DeleteObject(font); }
};

WindowState& state(HWND window) {
    return *reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Takes the colours for the high-contrast setting as it is now, and redraws every control in them.
void recolour(HWND window) {
    HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
    state(window).colours =
        coloursFor(SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                   (contrast.dwFlags & HCF_HIGHCONTRASTON));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Sizes the window and places every control for a DPI. The layout was drawn for the 8-point
// dialog font, so its controls get that, at the same DPI, rather than the larger message font.
void layOut(HWND window, int dpi, const RECT* suggested) {
    WindowState& self = state(window);
    self.dpi = dpi;
    RECT frame = rectOf(layout::frmMain, dpi);
    const auto adjust = fromUser32<decltype(AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
    adjust ? adjust(&frame, kWindowStyle, FALSE, 0, dpi)
           : AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    SetWindowPos(window, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
                 frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));

    HFONT old = std::exchange(
        self.font, CreateFontW(-layout::fontPixels(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg 2"));
    for (std::size_t i = 0; i < std::size(layout::kControls); ++i) {
        if (HWND child = GetDlgItem(window, kFirstId + static_cast<int>(i))) { // not a line
            const RECT place = rectOf(layout::kControls[i].place, dpi);
            SetWindowPos(child, nullptr, place.left, place.top, place.right - place.left,
                         place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowFont(child, self.font, TRUE);
        }
    }
    DeleteObject(old);
    // The title bar's icon, drawn for this DPI; the window hands back the one it replaces.
    const auto forDpi = fromUser32<decltype(GetSystemMetricsForDpi)>("GetSystemMetricsForDpi");
    const int size = forDpi ? forDpi(SM_CXSMICON, dpi) : GetSystemMetrics(SM_CXSMICON);
    HANDLE icon =
        LoadImageW(GetWindowInstance(window), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0);
    DestroyIcon(reinterpret_cast<HICON>(
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon))));
    InvalidateRect(window, nullptr, TRUE);
}

// Takes the window's state from its creator, which keeps it should creation fail before this.
BOOL onNCCreate(HWND window, LPCREATESTRUCTW create) {
    auto& owner = *static_cast<std::unique_ptr<WindowState>*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner.release()));
    return FORWARD_WM_NCCREATE(window, create, DefWindowProcW);
}

BOOL onCreate(HWND window, LPCREATESTRUCTW create) {
    WindowState& self = state(window);
    for (std::size_t i = 0; i < std::size(layout::kControls); ++i) {
        const layout::Control& control = layout::kControls[i];
        const WindowClass& windowClass = kWindowClasses[static_cast<int>(control.kind)];
        if (windowClass.name == nullptr) {
            continue;
        }
        // Screen readers name a box from the label just before it in the z-order; where the
        // window shows none there, an invisible one names it.
        if (!control.accessibleName.empty() &&
            !CreateWindowExW(0, L"STATIC", wide(control.accessibleName).c_str(),
                             WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0, window, nullptr, create->hInstance,
                             nullptr)) {
            return FALSE;
        }
        HWND child = CreateWindowExW(windowClass.extendedStyle, windowClass.name,
                                     wide(control.caption).c_str(),
                                     WS_CHILD | WS_VISIBLE | windowClass.style, 0, 0, 0, 0, window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + i)),
                                     create->hInstance, nullptr);
        if (child == nullptr) {
            return FALSE;
        }
        if (control.kind == layout::Kind::TextBox) {
            // No 32,767-character cap: a long paste arrives whole, for the cipher to judge.
            Edit_LimitText(child, 0);
        }
    }
    self.encryptBox.edit = self.focus =
        GetDlgItem(window, kFirstId + layout::indexOf("txtEncrypt"));
    self.decryptBox.edit = GetDlgItem(window, kFirstId + layout::indexOf("txtDecrypt"));
    self.resultBox.edit = GetDlgItem(window, kFirstId + layout::indexOf("txtResult"));
    recolour(window);
    layOut(window, dpiOf(window), nullptr);
    return TRUE;
}

void onNCDestroy(HWND window) {
    DestroyIcon(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)));
    delete reinterpret_cast<WindowState*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0));
    PostQuitMessage(0);
}

// Gives the focus back to the control that had it, as a dialog does, rather than to the window.
void onActivate(HWND window, UINT activation, HWND, BOOL minimized) {
    WindowState& self = state(window);
    if (activation == WA_INACTIVE) {
        if (HWND focus = GetFocus(); IsChild(window, focus)) {
            self.focus = focus;
        }
    } else if (!minimized) {
        SetFocus(self.focus);
    }
}

void onCommand(HWND window, int id, HWND, UINT notification) {
    const auto index = static_cast<std::size_t>(id - kFirstId); // past the end below kFirstId
    if (notification == BN_CLICKED && index < std::size(layout::kControls)) {
        if (const auto click = layout::kControls[index].click) {
            runtime::dispatchCommand([&] { std::invoke(click, state(window).commands); });
        }
    }
}

// The label is drawn on the window's own colour; the DC's own brush paints the background.
HBRUSH onControlColour(HWND window, HDC dc, HWND, int type) {
    const Colours& colours = state(window).colours;
    const bool label = type == CTLCOLOR_STATIC;
    SetTextColor(dc, label ? colours.label : colours.boxText);
    SetDCBrushColor(dc, label ? colours.window : colours.box);
    SetBkColor(dc, GetDCBrushColor(dc));
    return GetStockBrush(DC_BRUSH);
}

BOOL CALLBACK forwardColourChange(HWND child, LPARAM) {
    FORWARD_WM_SYSCOLORCHANGE(child, SendMessageW);
    return TRUE;
}

void onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const WindowState& self = state(window);
    SetDCBrushColor(dc, self.colours.window);
    FillRect(dc, &paint.rcPaint, GetStockBrush(DC_BRUSH));
    for (const layout::Control& line : layout::kControls) {
        if (line.kind != layout::Kind::Line) {
            continue;
        }
        SetDCBrushColor(
            dc, self.colours.lines.value_or(line.colour.value_or(GetSysColor(COLOR_WINDOWTEXT))));
        RECT rect = rectOf(line.place, self.dpi);
        rect.bottom = std::max(rect.bottom, rect.top + 1); // at least one pixel at every scale
        FillRect(dc, &rect, GetStockBrush(DC_BRUSH));
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(hwnd, WM_NCCREATE, onNCCreate);
        HANDLE_MSG(hwnd, WM_CREATE, onCreate);
        HANDLE_MSG(hwnd, WM_NCDESTROY, onNCDestroy);
        HANDLE_MSG(hwnd, WM_ACTIVATE, onActivate);
        HANDLE_MSG(hwnd, WM_COMMAND, onCommand);
        HANDLE_MSG(hwnd, WM_CTLCOLOREDIT, onControlColour);
        HANDLE_MSG(hwnd, WM_CTLCOLORSTATIC, onControlColour);
        HANDLE_MSG(hwnd, WM_PAINT, onPaint);
    case WM_SYSCOLORCHANGE: // which common controls hear of only from their window
        EnumChildWindows(hwnd, forwardColourChange, 0);
        [[fallthrough]];
    case WM_SETTINGCHANGE: // high contrast's among others
        recolour(hwnd);
        return 0;
    case WM_DPICHANGED: // windowsx.h has no cracker for it
        layOut(hwnd, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

Colours coloursFor(bool highContrast) {
    // A dialog's colours for the window and its label, as the system draws a static control.
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    return highContrast
               ? Colours{GetSysColor(COLOR_3DFACE), text, GetSysColor(COLOR_WINDOW), text, text}
               : Colours{layout::kWindowBackground, layout::kLabelText, layout::kTextBoxBackground,
                         layout::kTextBoxText, std::nullopt};
}

HWND createMainWindow(HINSTANCE instance, int show) {
    // Loads Common Controls 6, which the manifest asks for, so the controls are themed.
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    // Icon group 1, the executable's own icon.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"frmMain";
    RegisterClassW(&windowClass); // without it, creation fails
    // Sized once it knows its DPI, placed by the window system; owns its state until WM_NCDESTROY.
    auto state = std::make_unique<WindowState>();
    HWND window =
        CreateWindowExW(0, L"frmMain", L"Kestrune", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, &state);
    if (window != nullptr) {
        ShowWindow(window, show);
        UpdateWindow(window);
    }
    return window;
}

bool handleWindowKeys(HWND window, MSG& message) {
    if (message.message == WM_KEYDOWN && message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
        (SendMessageW(message.hwnd, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) { // a text box
        Edit_SetSel(message.hwnd, 0, -1);
        return true;
    }
    return IsDialogMessageW(window, &message);
}

} // namespace kestrune
