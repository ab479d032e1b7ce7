#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/program.h"

namespace kestrune {

// How far every character code moves: down to encrypt, up to decipher.
inline constexpr std::int16_t CipherShift = 3;

class CipherError : public runtime::Error {
public:
    enum class Kind {
        Overflow,        // a 16-bit value left its range: the text is too long
        InvalidArgument, // a character has no code, or its shifted code has no character
    };

    CipherError(Kind kind, std::size_t position, std::u16string message);

    Kind kind() const noexcept { return kind_; }
    // 1-based position of the offending character; 0 when the text's length is at fault.
    std::size_t position() const noexcept { return position_; }

private:
    Kind kind_;
    std::size_t position_;
};

// Both return the shifted text with spaces trimmed from its ends, or throw CipherError.
// The longest text either accepts is 32,766 characters.
std::u16string EncryptString(const std::u16string& St);
std::u16string DecipherString(const std::u16string& St);

} // namespace kestrune
