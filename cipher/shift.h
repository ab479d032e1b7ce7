#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrune::detail {

// Shifts length characters from source into target. False if any was refused, which leaves the
// error to the step-by-step algorithm. ascii carries a vector kernel's guess from block to block.
using ShiftBlock = bool (*)(const char16_t* source, char16_t* target, std::size_t length,
                            bool& ascii);

// One way to shift text: the portable scalar loop, or the vector loop built for an instruction set.
struct Kernel {
    const char* name;
    bool usable; // on this processor
    ShiftBlock encrypt;
    ShiftBlock decipher;
};

// Every kernel in the program: the scalar one first, then the vector ones, widest last.
std::span<const Kernel> Kernels();

// The one implementation behind EncryptString (shift = -CipherShift) and DecipherString
// (shift = CipherShift), here with a chosen kernel.
std::u16string ShiftString(const std::u16string& St, std::int16_t shift, const Kernel& kernel);

} // namespace kestrune::detail
