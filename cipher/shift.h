#pragma once
#include <cstdint>
#include <string>
namespace kestrune::detail {
// Which per-block kernel shifts the text: the portable scalar loop, or the vector one.
enum class Kernel { Scalar, Vector };
// The one implementation behind EncryptString (shift = -CipherShift) and DecipherString
// (shift = CipherShift).
std::u16string ShiftString(const std::u16string& St, std::int16_t shift, Kernel kernel);
} // namespace kestrune::detail
