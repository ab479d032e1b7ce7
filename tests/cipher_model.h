#pragma once

// The cipher modelled apart from the program: glibc's iconv for the code page, a plain algorithm.

#include <algorithm>
#include <array>
#include <iconv.h>
#include <string>

#include "cipher/cipher.h"

namespace kestrune::model {

inline constexpr int kShift = 3;

// Windows-1252, code to character; the five bytes glibc leaves unassigned keep their C1 control.
inline const std::array<char16_t, 256> kCodePage = [] {
    std::array<char16_t, 256> table{};
    const iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    for (int code = 0; code < 256; ++code) {
        char in = static_cast<char>(code), *from = &in, out[2], *to = out;
        std::size_t inLeft = 1, outLeft = 2;
        const bool assigned = iconv(cd, &from, &inLeft, &to, &outLeft) == 0;
        table[code] = assigned ? char16_t((out[1] & 0xFF) << 8 | (out[0] & 0xFF)) : char16_t(code);
    }
    iconv_close(cd);
    return table;
}();

struct Outcome {
    bool refused = false;
    std::u16string text;
    CipherError::Kind kind = CipherError::Kind::Overflow;
    std::size_t position = 0;
    bool operator==(const Outcome&) const = default;
};

inline std::u16string strip(const std::u16string& text, char16_t unit) {
    const auto first = text.find_first_not_of(unit);
    return first == text.npos ? u"" : text.substr(first, text.find_last_not_of(unit) + 1 - first);
}

// What the program does with text, in the model's terms: shift < 0 encrypts.
inline Outcome program(const std::u16string& text, int shift, std::u16string* message = nullptr) {
    try {
        return {false, shift < 0 ? EncryptString(text) : DecipherString(text)};
    } catch (const CipherError& error) {
        if (message) {
            *message = error.message();
        }
        return {true, {}, error.kind(), error.position()};
    }
}

inline Outcome shift(const std::u16string& St, int shift) {
    std::u16string out;
    for (std::size_t i = 0; i < St.size() && St.size() <= 32767; ++i) {
        const auto found = std::ranges::find(kCodePage, St[i]);
        const int code = int(found - kCodePage.begin()) + shift;
        if (found == kCodePage.end() || code < 0 || code > 255) {
            return {true, {}, CipherError::Kind::InvalidArgument, i + 1};
        }
        out += kCodePage[code];
    }
    if (St.size() >= 32767) { // the 16-bit length, or the counter's step after the last
        return {true, {}, CipherError::Kind::Overflow, 0};
    }
    return {false, strip(out, u' ')};
}

} // namespace kestrune::model
