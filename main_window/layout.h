#pragma once

// The main window's controls, free of any toolkit: what each is, says and does, and its place in
// twips from the client area's top-left corner; colours as 0x00BBGGRR. Each view walks kControls.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "main_window/frm_main.h"

namespace kestrune::layout {

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

struct Pixels {
    int left;
    int top;
    int right; // excluded, like the bottom
    int bottom;
};

// The layout's own resolution, 15 twips to a pixel. Qt scales logical pixels itself, so its view
// converts at this; the Win32 view converts at the window's DPI.
inline constexpr int kDesignDpi = 96;

// The single conversion to pixels, rounding as Windows' MulDiv does. Edges are converted rather
// than sizes, so that neighbours meet exactly at every DPI.
constexpr int toPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}
constexpr Pixels toPixels(const Twips& twips, int dpi) {
    return {toPixels(twips.left, dpi), toPixels(twips.top, dpi),
            toPixels(twips.left + twips.width, dpi), toPixels(twips.top + twips.height, dpi)};
}

// The text size the layout was drawn for, 8 points, in pixels at a DPI.
constexpr int fontPixels(int dpi) {
    return (8 * dpi + 36) / 72;
}

inline constexpr Twips frmMain{0, 0, 2655, 3015};

inline constexpr std::uint32_t kWindowBackground = 0x005C4723;
inline constexpr std::uint32_t kTextBoxBackground = 0x00404040;
inline constexpr std::uint32_t kTextBoxText = 0x00FFFFFF;
inline constexpr std::uint32_t kLabelText = 0x00E0E0E0;

enum class Kind { TextBox, Button, Label, Line };

struct Control {
    const char* name;
    Kind kind;
    Twips place;
    std::u16string_view caption = {};
    void (frmMain::*click)() = nullptr;
    // For screen readers, where the caption does not say it.
    std::u16string_view accessibleName = {};
    std::u16string_view description = {};
    // A line's colour; none is the window system's window-text colour.
    std::optional<std::uint32_t> colour = {};
};

// In tab order, which is also the order of creation; where two overlap, the earlier is drawn on
// top (txtResult over the label's last row).
// clang-format off
inline constexpr Control kControls[] = {
    {.name = "txtEncrypt", .kind = Kind::TextBox, .place = {120, 120, 2415, 285},
     .accessibleName = u"Text to encrypt", .description = u"Type or paste the text to encrypt."},
    {.name = "cmdEncrypt", .kind = Kind::Button, .place = {120, 480, 2415, 255},
     .caption = u"Encrypt", .click = &frmMain::cmdEncrypt_Click,
     .description = u"Encrypts the text to encrypt into the result."},
    {.name = "txtDecrypt", .kind = Kind::TextBox, .place = {120, 960, 2415, 285},
     .accessibleName = u"Text to decrypt",
     .description = u"Paste encrypted text here to decrypt it."},
    {.name = "cmdDecrypt", .kind = Kind::Button, .place = {120, 1320, 2415, 255},
     .caption = u"Decrypt", .click = &frmMain::cmdDecrypt_Click,
     .description = u"Decrypts the text to decrypt into the result."},
    {.name = "txtResult", .kind = Kind::TextBox, .place = {120, 2040, 2415, 285},
     .accessibleName = u"Result", .description = u"The outcome of the last Encrypt or Decrypt."},
    {.name = "Label", .kind = Kind::Label, .place = {120, 1800, 615, 255}, .caption = u"Result:"},
    {.name = "cmdQuit", .kind = Kind::Button, .place = {120, 2520, 2415, 375},
     .caption = u"Quit", .click = &frmMain::cmdQuit_Click, .description = u"Ends Kestrune."},
    {.name = "Line1", .kind = Kind::Line, .place = {120, 840, 2400, 15}, .colour = 0x00000000},
    {.name = "Line2", .kind = Kind::Line, .place = {120, 1680, 2400, 15}},
    {.name = "Line3", .kind = Kind::Line, .place = {120, 2400, 2400, 15}},
};
// clang-format on

// A control's place in kControls, checked while compiling.
consteval std::size_t indexOf(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        if (kControls[i].name == name) {
            return i;
        }
    }
    throw std::logic_error("no such control");
}

} // namespace kestrune::layout
