#pragma once

#include <string>

namespace kestrune::runtime {

// Removes spaces (code 32 only) from both ends; tabs and control characters stay.
std::u16string trimSpaces(std::u16string text);

} // namespace kestrune::runtime
