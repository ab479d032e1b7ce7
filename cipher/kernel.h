#pragma once

// What the kernels share: the mapping precomputed, and the vector loop, which is built once for
// each instruction set the processor may offer.

#include <array>
#include <cstddef>
#include <cstdint>

#include "cipher/cipher.h"
#include "runtime/code_page.h"

namespace kestrune::detail {

inline constexpr std::size_t kBlock = 1024; // characters handed to a kernel at a time

// The mapping for every character of the code page: U+2122 is its highest, and one more entry
// stands for everything above. kRefused marks a character that the step-by-step algorithm
// refuses; U+FFFF has no code, so it never stands for a result.
inline constexpr char16_t kHighestMapped = 0x2122;
inline constexpr char16_t kRefused = 0xFFFF;
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

template <std::int16_t shift> inline constexpr ShiftTable kTable = makeShiftTable(shift);
static_assert(kTable<-CipherShift>[u'\u20AC'] == u'}' && kTable<CipherShift>[u'}'] == u'\u20AC');
static_assert(kHighestMapped < 0x8000);

// The instruction sets the vector loop is built for: the architecture's own, and on x86 also
// AVX2 and AVX-512.
enum class Isa { Baseline, Avx2, Avx512 };

// Built by vector_kernel.cpp for each Isa, with that instruction set enabled.
template <Isa isa, std::int16_t shift>
bool shiftVector(const char16_t* source, char16_t* target, std::size_t length, bool& ascii);

} // namespace kestrune::detail
