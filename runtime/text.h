#pragma once

#include <cstddef>
#include <string>

namespace kestrune::runtime {

// Removes spaces (code 32 only) from both ends; tabs and control characters stay.
std::u16string trimSpaces(std::u16string text);

// A count or position as messages show it: digits in groups of three, "32,767".
std::u16string withThousands(std::size_t number);

} // namespace kestrune::runtime
