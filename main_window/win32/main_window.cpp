#include "main_window/win32/main_window.h"

#include <algorithm>
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

// Control IDs, in creation order, which is also the tab order. They stay clear of IDOK and
// IDCANCEL, which the dialog manager sends for Enter and Escape.
enum Id : int { txtEncrypt = 100, cmdEncrypt, txtDecrypt, cmdDecrypt, txtResult, Label, cmdQuit };

struct Control {
    Id id;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    layout::Twips place;
};

constexpr DWORD kBox = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;

// txtResult comes before Label, so it lies above it where the two overlap.
constexpr Control kControls[] = {
    {txtEncrypt, L"EDIT", L"", kBox, layout::txtEncrypt},
    {cmdEncrypt, L"BUTTON", L"Encrypt", kButton, layout::cmdEncrypt},
    {txtDecrypt, L"EDIT", L"", kBox, layout::txtDecrypt},
    {cmdDecrypt, L"BUTTON", L"Decrypt", kButton, layout::cmdDecrypt},
    {txtResult, L"EDIT", L"", kBox, layout::txtResult},
    {Label, L"STATIC", L"Result:", SS_LEFT | SS_NOPREFIX | WS_CLIPSIBLINGS, layout::Label},
    {cmdQuit, L"BUTTON", L"Quit", kButton, layout::cmdQuit},
};

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

// Twips to pixels at the window's own DPI. Edges are converted, not sizes, so that neighbours
// meet exactly at every scale.
int scaled(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

RECT toPixels(const layout::Twips& twips, UINT dpi) {
    return {scaled(twips.left, dpi), scaled(twips.top, dpi), scaled(twips.left + twips.width, dpi),
            scaled(twips.top + twips.height, dpi)};
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
        if (!SetWindowTextW(edit, std::wstring(text.begin(), text.end()).c_str())) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "Cannot write the result box");
        }
    }
};

struct WindowState {
    EditTextBox encryptBox, decryptBox, resultBox;
    frmMain commands{encryptBox, decryptBox, resultBox};
    HBRUSH background = CreateSolidBrush(layout::kWindowBackground);
    HBRUSH boxBackground = CreateSolidBrush(layout::kTextBoxBackground);
    HFONT font = nullptr;
    HWND focus = nullptr; // the control to give the focus back to on reactivation

    ~WindowState() {
        DeleteObject(background);
        DeleteObject(boxBackground);
        DeleteObject(font);
    }
};

WindowState& state(HWND window) {
    return *reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Sizes the window and places every control for a DPI, in the message font at that DPI.
void layOut(HWND window, UINT dpi, const RECT* suggested) {
    RECT frame = toPixels(layout::frmMain, dpi);
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, dpi);
    SetWindowPos(window, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
                 frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    WindowState& self = state(window);
    HFONT old = std::exchange(self.font, CreateFontIndirectW(&metrics.lfMessageFont));
    for (const Control& control : kControls) {
        const RECT place = toPixels(control.place, dpi);
        HWND child = GetDlgItem(window, control.id);
        SetWindowPos(child, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowFont(child, self.font, TRUE);
    }
    DeleteObject(old);
    InvalidateRect(window, nullptr, TRUE);
}

BOOL onNCCreate(HWND window, LPCREATESTRUCTW create) {
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return FORWARD_WM_NCCREATE(window, create, DefWindowProcW);
}

BOOL onCreate(HWND window, LPCREATESTRUCTW create) {
    WindowState& self = state(window);
    for (const Control& control : kControls) {
        const bool box = control.windowClass == std::wstring_view(L"EDIT");
        HWND child = CreateWindowExW(box ? WS_EX_CLIENTEDGE : 0, control.windowClass, control.text,
                                     WS_CHILD | WS_VISIBLE | control.style, 0, 0, 0, 0, window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                     create->hInstance, nullptr);
        if (child == nullptr) {
            return FALSE;
        }
        if (box) {
            // Lifts the 32,767-character cap, so a long paste arrives whole and the cipher can
            // say what is wrong with it.
            Edit_LimitText(child, 0);
        }
    }
    self.encryptBox.edit = self.focus = GetDlgItem(window, txtEncrypt);
    self.decryptBox.edit = GetDlgItem(window, txtDecrypt);
    self.resultBox.edit = GetDlgItem(window, txtResult);
    layOut(window, GetDpiForWindow(window), nullptr);
    return TRUE;
}

void onNCDestroy(HWND window) {
    delete reinterpret_cast<WindowState*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0));
}

void onDestroy(HWND) {
    PostQuitMessage(0);
}

// Gives the focus back to the control that had it, as a dialog does, rather than to the window.
void onActivate(HWND window, UINT activation, HWND, BOOL minimized) {
    WindowState& self = state(window);
    if (activation == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus != nullptr && IsChild(window, focus)) {
            self.focus = focus;
        }
    } else if (!minimized) {
        SetFocus(self.focus);
    }
}

void onCommand(HWND window, int id, HWND, UINT notification) {
    if (notification != BN_CLICKED) {
        return;
    }
    frmMain& commands = state(window).commands;
    switch (id) {
    case cmdEncrypt:
        runtime::dispatchCommand([&] { commands.cmdEncrypt_Click(); });
        break;
    case cmdDecrypt:
        runtime::dispatchCommand([&] { commands.cmdDecrypt_Click(); });
        break;
    case cmdQuit:
        runtime::dispatchCommand([&] { commands.cmdQuit_Click(); });
        break;
    default:
        break;
    }
}

// The text boxes are light on dark; the label is light grey on the window's own colour.
HBRUSH onControlColour(HWND window, HDC dc, HWND, int type) {
    WindowState& self = state(window);
    if (type == CTLCOLOR_STATIC) {
        SetTextColor(dc, layout::kLabelText);
        SetBkColor(dc, layout::kWindowBackground);
        return self.background;
    }
    SetTextColor(dc, layout::kTextBoxText);
    SetBkColor(dc, layout::kTextBoxBackground);
    return self.boxBackground;
}

void onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, state(window).background);
    const UINT dpi = GetDpiForWindow(window);
    // At least one pixel thick at every scale.
    const auto fillLine = [&](const layout::Twips& line, HBRUSH brush) {
        RECT rect = toPixels(line, dpi);
        rect.bottom = std::max(rect.bottom, rect.top + 1);
        FillRect(dc, &rect, brush);
    };
    fillLine(layout::Line1, GetStockBrush(BLACK_BRUSH));
    fillLine(layout::Line2, GetSysColorBrush(COLOR_WINDOWTEXT));
    fillLine(layout::Line3, GetSysColorBrush(COLOR_WINDOWTEXT));
    EndPaint(window, &paint);
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(hwnd, WM_NCCREATE, onNCCreate);
        HANDLE_MSG(hwnd, WM_CREATE, onCreate);
        HANDLE_MSG(hwnd, WM_DESTROY, onDestroy);
        HANDLE_MSG(hwnd, WM_NCDESTROY, onNCDestroy);
        HANDLE_MSG(hwnd, WM_ACTIVATE, onActivate);
        HANDLE_MSG(hwnd, WM_COMMAND, onCommand);
        HANDLE_MSG(hwnd, WM_CTLCOLOREDIT, onControlColour);
        HANDLE_MSG(hwnd, WM_CTLCOLORSTATIC, onControlColour);
        HANDLE_MSG(hwnd, WM_PAINT, onPaint);
    case WM_DPICHANGED: // windowsx.h has no cracker for it
        layOut(hwnd, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

HWND createMainWindow(HINSTANCE instance, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    // Icon group 1, the executable's own icon.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"frmMain";
    if (RegisterClassExW(&windowClass) == 0) {
        return nullptr;
    }

    // The window sizes itself once it knows its DPI; the window system picks the place. It owns
    // its state from WM_NCCREATE to WM_NCDESTROY.
    HWND window =
        CreateWindowExW(0, L"frmMain", L"Kestrune", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, new WindowState);
    if (window == nullptr) {
        return nullptr;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

bool handleWindowKeys(HWND window, MSG& message) {
    if (message.message == WM_KEYDOWN && message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
        GetParent(message.hwnd) == window) {
        const int id = GetDlgCtrlID(message.hwnd);
        if (id == txtEncrypt || id == txtDecrypt || id == txtResult) {
            Edit_SetSel(message.hwnd, 0, -1);
            return true;
        }
    }
    return IsDialogMessageW(window, &message);
}

} // namespace kestrune
