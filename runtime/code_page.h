#pragma once

// Windows-1252, the code page of U.S. English. It is fixed in the program, not taken from the
// machine's locale, so that the same text gives the same result everywhere.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace kestrune::runtime {

namespace detail {

// 0x80-0x9F. The five codes the table leaves unassigned keep their C1 control character, so all
// 256 codes have exactly one character and each of those characters exactly one code.
inline constexpr std::array<char16_t, 32> kHighBlock = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

struct ReverseEntry {
    char16_t character;
    std::uint8_t code;
};

constexpr std::array<ReverseEntry, 32> makeReverseHighBlock() {
    std::array<ReverseEntry, 32> entries{};
    for (std::size_t i = 0; i < kHighBlock.size(); ++i) {
        entries[i] = {kHighBlock[i], static_cast<std::uint8_t>(0x80 + i)};
    }
    std::sort(entries.begin(), entries.end(),
              [](ReverseEntry a, ReverseEntry b) { return a.character < b.character; });
    return entries;
}

inline constexpr std::array<ReverseEntry, 32> kReverseHighBlock = makeReverseHighBlock();

} // namespace detail

// The character's single-byte code, or nothing when the code page has no such character.
constexpr std::optional<std::int16_t> ansiCode(char16_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<std::int16_t>(character);
    }
    const auto& table = detail::kReverseHighBlock;
    const auto found =
        std::lower_bound(table.begin(), table.end(), character,
                         [](detail::ReverseEntry e, char16_t c) { return e.character < c; });
    if (found != table.end() && found->character == character) {
        return found->code;
    }
    return std::nullopt;
}

// The character for a code, or nothing when the code lies outside 0-255.
constexpr std::optional<char16_t> charFromAnsi(std::int32_t code) {
    if (code < 0 || code > 0xFF) {
        return std::nullopt;
    }
    if (code >= 0x80 && code < 0xA0) {
        return detail::kHighBlock[static_cast<std::size_t>(code - 0x80)];
    }
    return static_cast<char16_t>(code);
}

} // namespace kestrune::runtime
