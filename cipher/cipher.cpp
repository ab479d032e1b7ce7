#include "cipher/cipher.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <experimental/simd>

#include "cipher/shift.h"
#include "runtime/checked_int16.h"
#include "runtime/code_page.h"
#include "runtime/text.h"

namespace kestrune {

CipherError::CipherError(Kind kind, std::size_t position, const std::string& message)
    : std::runtime_error(message), kind_(kind), position_(position) {}

namespace {

using Kind = CipherError::Kind;
using detail::Kernel;
namespace stdx = std::experimental;

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
// turn it back into a character, append it, and step the 16-bit position counter, which
// overflows past position 32,767. Raises at the first offender. The kernels below only ever
// agree with it; whenever they refuse, this decides the error.
std::u16string shiftEachCharacter(const std::u16string& St, std::int16_t shift) {
    std::u16string result;
    std::int16_t i = 1;
    for (std::size_t index = 0; index < St.size(); ++index) {
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
        result += *character;

        const auto next = runtime::addInt16(i, 1);
        if (!next) {
            raiseTooLong(shift, St.size());
        }
        i = *next;
    }
    return result;
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

template <std::int16_t shift> constexpr ShiftTable kTable = makeShiftTable(shift);
static_assert(kTable<-CipherShift>[u'\u20AC'] == u'}' && kTable<CipherShift>[u'}'] == u'\u20AC');
static_assert(kHighestMapped < 0x8000);

template <std::int16_t shift> char16_t lookUp(char16_t character) {
    return kTable<shift>[std::min<char16_t>(character, kHighestMapped + 1)];
}

// The portable kernel: every character through the table. False if any was refused: kRefused is
// the only entry with the top bit set.
template <std::int16_t shift>
bool shiftScalar(const char16_t* source, char16_t* target, std::size_t length) {
    char16_t all = 0;
    for (std::size_t j = 0; j < length; ++j) {
        target[j] = lookUp<shift>(source[j]);
        all |= target[j];
    }
    return all < 0x8000;
}

// Codes 0-0x7F and 0xA0-0xFF are their own characters, so where a character and its shifted code
// both lie in one of those ranges, the shift is plain arithmetic. The vector kernel shifts 32
// lanes so and then looks up in the table only the lanes outside: the high block 0x80-0x9F, the
// codes the shift carries into or out of it, and refused characters.
template <std::int16_t shift>
bool shiftVector(const char16_t* source, char16_t* target, std::size_t length) {
    using V = stdx::native_simd<char16_t>;
    using Group = stdx::fixed_size_simd<char16_t, 32>;
    // A character and its shifted code lie in one range exactly when the lower of the two,
    // x - down, lies in 0 to span (ASCII) or in 0xA0 to 0xA0 + span - 0x20 (Latin-1).
    static constexpr char16_t down = shift < 0 ? -shift : 0;
    static constexpr char16_t span = 0x7F - (shift < 0 ? -shift : shift);
    const auto ascii = []<typename W>(const W& x) {
        return x - W(down) <= W(span);
    };
    const auto inside = [&]<typename W>(const W& x) {
        return ascii(x) || x - W(0xA0 + down) <= W(span - 0x20);
    };
    bool refused = false;
    std::size_t k = 0;
    for (; k + Group::size() <= length; k += Group::size()) {
        // The cheapest test first: shift every lane, telling plain ASCII on the way.
        auto plain = V::mask_type(true);
        for (std::size_t at = k; at < k + Group::size(); at += V::size()) {
            const V x(source + at, stdx::element_aligned);
            (x + V(static_cast<char16_t>(shift))).copy_to(target + at, stdx::element_aligned);
            plain = plain && ascii(x);
        }
        if (stdx::all_of(plain)) {
            continue;
        }
        // Then ASCII and Latin-1 together.
        plain = V::mask_type(true);
        for (std::size_t at = k; at < k + Group::size(); at += V::size()) {
            plain = plain && inside(V(source + at, stdx::element_aligned));
        }
        if (stdx::all_of(plain)) {
            continue;
        }
        // Lane by lane through the table; past four lanes, the whole group is faster.
        auto outside = !inside(Group(source + k, stdx::element_aligned));
        for (int lanes = 0; stdx::any_of(outside); outside[stdx::find_first_set(outside)] = false) {
            if (++lanes > 4) {
                refused |= !shiftScalar<shift>(source + k, target + k, Group::size());
                break;
            }
            const std::size_t at = k + static_cast<std::size_t>(stdx::find_first_set(outside));
            target[at] = lookUp<shift>(source[at]);
            refused |= target[at] == kRefused;
        }
    }
    return shiftScalar<shift>(source + k, target + k, length - k) && !refused;
}

template <std::int16_t shift>
bool shiftWith(const char16_t* source, char16_t* target, std::size_t length, Kernel kernel) {
    return kernel == Kernel::Vector ? shiftVector<shift>(source, target, length)
                                    : shiftScalar<shift>(source, target, length);
}

} // namespace

namespace detail {

// One pass through the chosen kernel, after the zero fill that C++20 strings cannot skip. Whenever
// the kernel refuses a character, on a text of exactly 32,767 characters, whose counter overflows,
// and for a shift without a table, the step by step algorithm runs instead and raises any error
// itself, so kinds, positions and messages are always its own.
std::u16string ShiftString(const std::u16string& St, std::int16_t shift, Kernel kernel) {
    if (!runtime::toInt16(St.size())) {
        raiseTooLong(shift, St.size());
    }
    const auto kernelFor = shift == CipherShift    ? shiftWith<CipherShift>
                           : shift == -CipherShift ? shiftWith<-CipherShift>
                                                   : nullptr;
    // Grown block by block, so that the zero fill is still in the cache when the kernel writes.
    constexpr std::size_t kBlock = 1024;
    std::u16string result;
    result.reserve(St.size());
    bool shifted = kernelFor && St.size() < 32767;
    for (std::size_t first = 0; shifted && first < St.size(); first += kBlock) {
        result.resize(std::min(first + kBlock, St.size()));
        shifted =
            kernelFor(St.data() + first, result.data() + first, result.size() - first, kernel);
    }
    return runtime::trimSpaces(shifted ? std::move(result) : shiftEachCharacter(St, shift));
}

} // namespace detail

std::u16string EncryptString(const std::u16string& St) {
    return detail::ShiftString(St, static_cast<std::int16_t>(-CipherShift), detail::Kernel::Vector);
}

std::u16string DecipherString(const std::u16string& St) {
    return detail::ShiftString(St, CipherShift, detail::Kernel::Vector);
}

} // namespace kestrune
