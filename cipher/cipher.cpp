#include "cipher/cipher.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cipher/shift.h"
#include "runtime/checked_int16.h"
#include "runtime/code_page.h"
#include "runtime/text.h"

namespace kestrune {

CipherError::CipherError(Kind kind, std::size_t position, const std::string& message)
    : std::runtime_error(message), kind_(kind), position_(position) {}

namespace {

using Kind = CipherError::Kind;

const char* verb(std::int16_t shift) {
    return shift < 0 ? "encrypt" : "decrypt";
}

std::string withThousands(std::size_t number) {
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

void appendUtf8(std::string& out, char32_t scalar) {
    if (scalar < 0x80) {
        out += static_cast<char>(scalar);
    } else if (scalar < 0x800) {
        out += static_cast<char>(0xC0 | (scalar >> 6));
        out += static_cast<char>(0x80 | (scalar & 0x3F));
    } else if (scalar < 0x10000) {
        out += static_cast<char>(0xE0 | (scalar >> 12));
        out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (scalar & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (scalar >> 18));
        out += static_cast<char>(0x80 | ((scalar >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (scalar & 0x3F));
    }
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Names the character at index as a person can find it: the glyph in quotes where it has one,
// and always its U+ code. A surrogate pair is named as the one character it forms.
std::string describeCharacter(const std::u16string& text, std::size_t index) {
    char32_t scalar = text[index];
    if (isHighSurrogate(text[index]) && index + 1 < text.size() &&
        isLowSurrogate(text[index + 1])) {
        scalar = 0x10000 + ((scalar - 0xD800) << 10) + (text[index + 1] - 0xDC00);
    }
    const bool unpaired = scalar >= 0xD800 && scalar <= 0xDFFF;
    const bool control = scalar < 0x20 || (scalar >= 0x7F && scalar < 0xA0);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(scalar));

    std::string out;
    if (unpaired) {
        out = "the unpaired surrogate ";
        out += code;
    } else if (control) {
        out = "the control character ";
        out += code;
    } else {
        out = "the character \"";
        appendUtf8(out, scalar);
        out += "\" (";
        out += code;
        out += ')';
    }
    return out;
}

[[noreturn]] void raiseTooLong(std::int16_t shift, std::size_t length) {
    throw CipherError(Kind::Overflow, 0,
                      std::string("Cannot ") + verb(shift) + " a text of " + withThousands(length) +
                          " characters: the longest text Kestrune can " + verb(shift) +
                          " is 32,766 characters. Shorten it and try again.");
}

[[noreturn]] void raiseNoCode(std::int16_t shift, const std::u16string& text, std::size_t index) {
    throw CipherError(Kind::InvalidArgument, index + 1,
                      std::string("Cannot ") + verb(shift) + " " + describeCharacter(text, index) +
                          " at position " + withThousands(index + 1) +
                          ": it is not in the Windows-1252 character set that Kestrune works "
                          "with. Remove or replace it and try again.");
}

[[noreturn]] void raiseOutOfRange(std::int16_t shift, const std::u16string& text, std::size_t index,
                                  std::int16_t code) {
    const std::string direction = shift < 0 ? "down" : "up";
    const std::string bound = shift < 0 ? "below 0" : "above 255";
    throw CipherError(Kind::InvalidArgument, index + 1,
                      std::string("Cannot ") + verb(shift) + " " + describeCharacter(text, index) +
                          " at position " + withThousands(index + 1) + ": its code, " +
                          std::to_string(code) + ", shifted " + direction + " by " +
                          std::to_string(CipherShift) + " would fall " + bound +
                          ". Remove or replace it and try again.");
}

[[noreturn]] void raiseCodeOverflow(std::int16_t shift, std::size_t index) {
    throw CipherError(Kind::Overflow, index + 1,
                      std::string("Cannot ") + verb(shift) + " the character at position " +
                          withThousands(index + 1) + ": its shifted code does not fit in 16 bits.");
}

// The algorithm, character by character: take the code, shift it with a checked 16-bit step,
// turn it back into a character, put it in its place in the result, and step the 16-bit position
// counter, which overflows past position 32,767. Runs over St[first, last); raises at the first
// offender. Returns the next position.
std::int16_t shiftEachCharacter(const std::u16string& St, std::size_t first, std::size_t last,
                                std::int16_t shift, std::int16_t i, std::u16string& result) {
    for (std::size_t index = first; index < last; ++index) {
        const auto code = runtime::ansiCode(St[index]);
        if (!code) {
            raiseNoCode(shift, St, index);
        }
        const auto shifted = runtime::addInt16(*code, shift);
        if (!shifted) {
            raiseCodeOverflow(shift, index);
        }
        const auto character = runtime::charFromAnsi(*shifted);
        if (!character) {
            raiseOutOfRange(shift, St, index, *code);
        }
        result[index] = *character;

        const auto next = runtime::addInt16(i, 1);
        if (!next) {
            raiseTooLong(shift, St.size());
        }
        i = *next;
    }
    return i;
}

// The same mapping precomputed for every character of the code page: U+2122 is its highest,
// and one more entry stands for everything above. kRefused marks a character that the step by
// step algorithm refuses; U+FFFF has no code, so it never stands for a result.
constexpr char16_t kHighestMapped = 0x2122;
constexpr char16_t kRefused = 0xFFFF;
using ShiftTable = std::array<char16_t, kHighestMapped + 2>;

// Filled from the 256 codes rather than the 8,484 characters: each character has exactly one code,
// so the result is the same, and the evaluation stays within Clang's constexpr step limit.
constexpr ShiftTable makeShiftTable(std::int16_t shift) {
    ShiftTable table{};
    table.fill(kRefused);
    for (std::int32_t code = 0; code <= 0xFF; ++code) {
        table[*runtime::charFromAnsi(code)] =
            runtime::charFromAnsi(code + shift).value_or(kRefused);
    }
    return table;
}

constexpr ShiftTable kEncryptTable = makeShiftTable(-CipherShift);
constexpr ShiftTable kDecipherTable = makeShiftTable(CipherShift);
static_assert(kEncryptTable[u'\u20AC'] == u'}' && kDecipherTable[u'}'] == u'\u20AC');
static_assert(kEncryptTable.back() == kRefused && kDecipherTable.back() == kRefused);

// The largest code unit of a block; a reduction the compiler vectorises.
char16_t highestIn(const char16_t* block, std::size_t length) {
    char16_t highest = 0;
    for (std::size_t j = 0; j < length; ++j) {
        highest = std::max(highest, block[j]);
    }
    return highest;
}

// Shifts a block of the source into the result through the table. False if it holds a refused
// character; the caller then runs the block step by step to raise the right error. kRefused is the
// largest code unit, so the block's maximum tells whether any was refused.
bool shiftBlockByTable(const char16_t* __restrict source, char16_t* __restrict block,
                       std::size_t length, const ShiftTable& table) {
    for (std::size_t j = 0; j < length; ++j) {
        block[j] = table[std::min<char16_t>(source[j], kHighestMapped + 1)];
    }
    return highestIn(block, length) != kRefused;
}

// Plain ASCII whose shifted code stays ASCII maps to itself plus the shift. One branch-free pass,
// which the compiler vectorises, shifts the block and measures how far its codes reach above the
// lowest allowed (a code below it wraps to a large distance). False, with the block shifted, when
// anything lies outside.
bool shiftAsciiBlock(char16_t* block, std::size_t length, std::int16_t shift) {
    const char16_t lowest = shift < 0 ? static_cast<char16_t>(-shift) : 0;
    const char16_t span = static_cast<char16_t>(0x7F - (shift < 0 ? -shift : shift));
    char16_t widest = 0;
    for (std::size_t j = 0; j < length; ++j) {
        widest = std::max(widest, static_cast<char16_t>(block[j] - lowest));
        block[j] = static_cast<char16_t>(block[j] + shift);
    }
    return widest <= span;
}

} // namespace

namespace detail {

// The shift's sign is the two functions' only difference.
// The input is appended to the result block by block, each block shifted in place while it is
// still in the cache, so the result keeps the input's length and order. The vector kernel's fast
// paths give exactly what the step by step algorithm gives; a block that either refuses runs
// again step by step, so errors, their order and positions are the algorithm's own. The counter
// advances by whole blocks with the same checked step, so a text of 32,767 characters fails
// after its last. The scalar kernel runs every block step by step.
std::u16string ShiftString(const std::u16string& St, std::int16_t shift, Kernel kernel) {
    const auto limit = runtime::toInt16(St.size());
    if (!limit) {
        raiseTooLong(shift, St.size());
    }
    const ShiftTable& table = shift < 0 ? kEncryptTable : kDecipherTable;
    constexpr std::size_t kBlock = 512;

    std::u16string result;
    result.reserve(St.size());
    std::int16_t i = 1;
    for (std::size_t first = 0; first < St.size(); first += kBlock) {
        const std::size_t length = std::min(kBlock, St.size() - first);
        result.append(St.data() + first, length);
        char16_t* block = result.data() + first;
        const bool shifted = kernel == Kernel::Vector &&
                             (shiftAsciiBlock(block, length, shift) ||
                              shiftBlockByTable(St.data() + first, block, length, table));
        if (shifted) {
            const auto next = runtime::addInt16(i, static_cast<std::int16_t>(length));
            if (!next) {
                raiseTooLong(shift, St.size());
            }
            i = *next;
        } else {
            i = shiftEachCharacter(St, first, first + length, shift, i, result);
        }
    }
    return runtime::trimSpaces(std::move(result));
}

} // namespace detail

std::u16string EncryptString(const std::u16string& St) {
    return detail::ShiftString(St, static_cast<std::int16_t>(-CipherShift), detail::Kernel::Vector);
}

std::u16string DecipherString(const std::u16string& St) {
    return detail::ShiftString(St, CipherShift, detail::Kernel::Vector);
}

} // namespace kestrune
