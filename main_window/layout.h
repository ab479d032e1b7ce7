#pragma once

// Where every part of the main window sits, in twips from the top-left corner of the client
// area, and its colours as stored values, 0x00BBGGRR. No toolkit here: the view converts.

#include <cstdint>

namespace kestrune::layout {

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

// The single conversion to logical pixels; the toolkit's own scaling takes it from there.
inline constexpr int kTwipsPerPixel = 15;
constexpr int toPixels(int twips) {
    return twips / kTwipsPerPixel;
}

inline constexpr Twips frmMain{0, 0, 2655, 3015};

inline constexpr Twips txtEncrypt{120, 120, 2415, 285};
inline constexpr Twips cmdEncrypt{120, 480, 2415, 255};
inline constexpr Twips txtDecrypt{120, 960, 2415, 285};
inline constexpr Twips cmdDecrypt{120, 1320, 2415, 255};
inline constexpr Twips Label{120, 1800, 615, 255};
inline constexpr Twips txtResult{120, 2040, 2415, 285};
inline constexpr Twips cmdQuit{120, 2520, 2415, 375};

// Separators run from x = 120 to 2520, the end excluded like a box's right edge, and are one
// pixel thick.
inline constexpr Twips Line1{120, 840, 2400, kTwipsPerPixel};
inline constexpr Twips Line2{120, 1680, 2400, kTwipsPerPixel};
inline constexpr Twips Line3{120, 2400, 2400, kTwipsPerPixel};

inline constexpr std::uint32_t kWindowBackground = 0x005C4723;
inline constexpr std::uint32_t kTextBoxBackground = 0x00404040;
inline constexpr std::uint32_t kTextBoxText = 0x00FFFFFF;
inline constexpr std::uint32_t kLabelText = 0x00E0E0E0;
inline constexpr std::uint32_t kLine1 = 0x00000000;

} // namespace kestrune::layout
