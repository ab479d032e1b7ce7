#include "cipher/cipher.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "cipher/kernel.h"
#include "cipher/shift.h"
#include "runtime/checked_int16.h"
#include "runtime/code_page.h"
#include "runtime/text.h"

namespace kestrune {

CipherError::CipherError(Kind kind, std::size_t position, const std::string& message)
    : std::runtime_error(message), kind_(kind), position_(position) {}

namespace {

using Kind = CipherError::Kind;
using namespace detail;

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

// The portable kernel: every character through the table, the ones above it through its last
// entry. False if any was refused: kRefused is the only entry with the top bit set.
template <std::int16_t shift>
bool shiftScalar(const char16_t* source, char16_t* target, std::size_t length, bool&) {
    char16_t all = 0;
    for (std::size_t j = 0; j < length; ++j) {
        target[j] = kTable<shift>[std::min<char16_t>(source[j], kHighestMapped + 1)];
        all |= target[j];
    }
    return all < 0x8000;
}

template <Isa isa> constexpr Kernel vectorKernel(const char* name, bool usable) {
    return {name, usable, shiftVector<isa, -CipherShift>, shiftVector<isa, CipherShift>};
}

} // namespace

namespace detail {

std::span<const Kernel> Kernels() {
    static const Kernel kernels[] = {
        {"scalar", true, shiftScalar<-CipherShift>, shiftScalar<CipherShift>},
        vectorKernel<Isa::Baseline>("vector", true),
#ifdef KESTRUNE_X86_KERNELS
        vectorKernel<Isa::Avx2>("AVX2", __builtin_cpu_supports("avx2")),
        vectorKernel<Isa::Avx512>("AVX-512", __builtin_cpu_supports("avx512bw")),
#endif
    };
    return kernels;
}

// One pass through the kernel, into a string that is not zero-filled first. Whenever the kernel
// refuses a character, on a text of exactly 32,767 characters, whose counter overflows, and for a
// shift without a table, the step-by-step algorithm runs instead and raises any error itself, so
// kinds, positions and messages are always its own.
std::u16string ShiftString(const std::u16string& St, std::int16_t shift, const Kernel& kernel) {
    if (!runtime::toInt16(St.size())) {
        raiseTooLong(shift, St.size());
    }
    const ShiftBlock block = shift == CipherShift    ? kernel.decipher
                             : shift == -CipherShift ? kernel.encrypt
                                                     : nullptr;
    bool shifted = block && St.size() < 32767;
    std::u16string result;
    // The size is St's, not the one handed to the lambda: GCC 12 hands it the grown capacity.
    result.resize_and_overwrite(St.size(), [&](char16_t* out, std::size_t) {
        bool ascii = true; // so far; the vector kernels pick their loop by it
        // A first short block brings the target to a cache line, so that the vector stores after
        // it fill whole lines rather than straddle two.
        const std::size_t line = 64, offset = reinterpret_cast<std::uintptr_t>(out) % line;
        const std::size_t head = std::min(St.size(), (line - offset) % line / sizeof(char16_t));
        if (shifted && head != 0) {
            shifted = block(St.data(), out, head, ascii);
        }
        for (std::size_t first = head; shifted && first < St.size(); first += kBlock) {
            shifted =
                block(St.data() + first, out + first, std::min(kBlock, St.size() - first), ascii);
        }
        return shifted ? St.size() : 0;
    });
    return runtime::trimSpaces(shifted ? std::move(result) : shiftEachCharacter(St, shift));
}

} // namespace detail

namespace {

// The widest kernel this processor runs; the scalar one always does.
const detail::Kernel& fastest() {
    static const detail::Kernel& widest = []() -> const detail::Kernel& {
        const auto kernels = detail::Kernels();
        return *std::find_if(kernels.rbegin(), kernels.rend(),
                             [](const auto& k) { return k.usable; });
    }();
    return widest;
}

} // namespace

std::u16string EncryptString(const std::u16string& St) {
    return detail::ShiftString(St, static_cast<std::int16_t>(-CipherShift), fastest());
}

std::u16string DecipherString(const std::u16string& St) {
    return detail::ShiftString(St, CipherShift, fastest());
}

} // namespace kestrune
