#pragma once

// Windows-1252, the code page of U.S. English, fixed in the program rather than taken from the
// machine's locale, so that the same text gives the same result everywhere.

#include <array>
#include <cstdint>
#include <optional>

namespace kestrune::runtime {

// 0x80-0x9F. The five codes the code page leaves unassigned keep their C1 control character, so
// each of the 256 codes has one character and each of those characters one code.
inline constexpr std::array<char16_t, 32> kHighBlock = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

// The character for a code, or nothing when the code lies outside 0-255.
constexpr std::optional<char16_t> charFromAnsi(std::int32_t code) {
    if (code < 0 || code > 0xFF) {
        return std::nullopt;
    }
    if (code >= 0x80 && code < 0xA0) {
        return kHighBlock[static_cast<std::size_t>(code - 0x80)];
    }
    return static_cast<char16_t>(code);
}

// The code of every character up to U+2122, the highest in the code page; -1 where it has none.
// Filled from the 256 codes, which keeps Clang within its constexpr step limit.
inline constexpr auto kAnsiCodes = [] {
    std::array<std::int16_t, 0x2123> codes{};
    codes.fill(-1);
    for (std::int16_t code = 0; code <= 0xFF; ++code) {
        codes[*charFromAnsi(code)] = code;
    }
    return codes;
}();

// The character's code, or nothing when the code page has no such character.
constexpr std::optional<std::int16_t> ansiCode(char16_t character) {
    if (character >= kAnsiCodes.size() || kAnsiCodes[character] < 0) {
        return std::nullopt;
    }
    return kAnsiCodes[character];
}

} // namespace kestrune::runtime
