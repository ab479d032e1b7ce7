#include "cipher/cipher.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
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
// both lie in one of those ranges, the shift is plain arithmetic. Writing x - down for the lower
// of the two, that is x - down <= span (ASCII) or x - down - 0xA0 <= span - 0x20 (Latin-1).
// Everything else is outside: the high block 0x80-0x9F, the codes the shift carries into or out
// of it, and refused characters. The vector kernels shift every lane and fix the outside ones.
using V = stdx::native_simd<char16_t>;
constexpr std::size_t kBlock = 1024; // characters handed to a kernel at a time

template <std::int16_t shift> struct Ranges {
    static constexpr char16_t down = shift < 0 ? -shift : 0;
    static constexpr char16_t span = 0x7F - (shift < 0 ? -shift : shift);
    // Each range test as one signed comparison, after moving the range's start to the bottom of
    // the signed lanes: the way SSE2, which has no unsigned comparison, does it in one step. The
    // moves wrap, so they are done unsigned.
    using S = stdx::rebind_simd_t<std::int16_t, V>;
    static S::mask_type inside(const V& x) {
        const V t = x + V(0x8000 - down);
        return stdx::static_simd_cast<S>(t) < S(span + 1 - 0x8000) ||
               stdx::static_simd_cast<S>(t - V(0xA0)) < S(span - 0x20 + 1 - 0x8000);
    }
};

// The lanes of a mask as bits, lane 0 lowest: eight bools at a time gathered by one multiply,
// which compilers make a few vector instructions rather than a loop over the lanes.
template <typename Mask> std::uint64_t bitsOf(const Mask& mask) {
    std::array<bool, (Mask::size() + 7) / 8 * 8> lanes{};
    mask.copy_to(lanes.data(), stdx::element_aligned);
    std::uint64_t bits = 0;
    for (std::size_t at = 0; at < lanes.size(); at += 8) {
        std::uint64_t eight = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&eight, lanes.data() + at, 8);
        } else {
            for (std::size_t lane = 0; lane < 8; ++lane) {
                eight |= std::uint64_t{lanes[at + lane]} << 8 * lane;
            }
        }
        bits |= (eight * 0x0102040810204080) >> 56 << at;
    }
    return bits;
}

// For each set of eight lanes, the lanes outside it in order, and how many there are.
using Eight = stdx::fixed_size_simd<char16_t, 8>;
struct Listing {
    std::array<std::array<char16_t, 8>, 256> lanes{};
    std::array<std::uint8_t, 256> count{};
};
constexpr Listing kListing = [] {
    Listing listing;
    for (unsigned set = 0; set < 256; ++set) {
        for (char16_t lane = 0; lane < 8; ++lane) {
            if (!(set >> lane & 1)) {
                listing.lanes[set][listing.count[set]++] = lane;
            }
        }
    }
    return listing;
}();

// Plain ASCII, the common case: shift every lane, watching only whether a character or its
// shifted code left ASCII. True if none did, which leaves nothing to fix.
template <std::int16_t shift>
bool shiftAscii(const char16_t* source, char16_t* target, std::size_t length) {
    V seen(0);
#pragma GCC unroll 4
    for (std::size_t k = 0; k < length; k += V::size()) {
        const V x(source + k, stdx::element_aligned);
        const V y = x + V(static_cast<char16_t>(shift));
        y.copy_to(target + k, stdx::element_aligned);
        seen |= x | y;
    }
    return stdx::all_of(seen < V(0x80));
}

// Any text: shift every lane and list the outside lanes, without a branch, then look those up
// in one loop. False if any was refused; listedAny tells whether there were any.
template <std::int16_t shift>
bool shiftLanes(const char16_t* source, char16_t* target, std::size_t length, bool& listedAny) {
    std::array<char16_t, kBlock> listed; // never more entries than lanes so far, so eight fit
    std::size_t n = 0;
    Eight first(0); // the position of each eight lanes' first
#pragma GCC unroll 2
    for (std::size_t k = 0; k < length; k += V::size()) {
        const V x(source + k, stdx::element_aligned);
        (x + V(static_cast<char16_t>(shift))).copy_to(target + k, stdx::element_aligned);
        const std::uint64_t inside = bitsOf(Ranges<shift>::inside(x));
        for (std::size_t at = 0; at < V::size(); at += 8, first += Eight(8)) {
            const auto set = inside >> at & 0xFF;
            (Eight(kListing.lanes[set].data(), stdx::element_aligned) + first)
                .copy_to(listed.data() + n, stdx::element_aligned);
            n += kListing.count[set];
        }
    }
    char16_t all = 0;
#pragma GCC unroll 4
    for (std::size_t j = 0; j < n; ++j) {
        target[listed[j]] = lookUp<shift>(source[listed[j]]);
        all |= target[listed[j]];
    }
    listedAny = n != 0;
    return all < 0x8000;
}

// The vector kernel for one block, the scalar one finishing the last few characters. Text tends
// to stay as it was, so ascii, what the previous block suggests, picks the loop, a branch the
// processor predicts: the ASCII loop, redone by the lanes loop if a character was not ASCII; or
// the lanes loop, until a block where it listed nothing.
template <std::int16_t shift>
bool shiftVector(const char16_t* source, char16_t* target, std::size_t length, bool& ascii) {
    const std::size_t whole = length - length % V::size();
    bool fine = true;
    if (!ascii || !(ascii = shiftAscii<shift>(source, target, whole))) {
        bool listedAny = false;
        fine = shiftLanes<shift>(source, target, whole, listedAny);
        ascii = !listedAny;
    }
    return shiftScalar<shift>(source + whole, target + whole, length - whole) && fine;
}

template <std::int16_t shift>
bool shiftWith(const char16_t* source, char16_t* target, std::size_t length, Kernel kernel,
               bool& ascii) {
    return kernel == Kernel::Vector ? shiftVector<shift>(source, target, length, ascii)
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
    std::u16string result;
    result.reserve(St.size());
    bool shifted = kernelFor && St.size() < 32767;
    bool ascii = true; // so far; the vector kernel picks its loop by it
    for (std::size_t first = 0; shifted && first < St.size(); first += kBlock) {
        result.resize(std::min(first + kBlock, St.size()));
        shifted = kernelFor(St.data() + first, result.data() + first, result.size() - first, kernel,
                            ascii);
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
