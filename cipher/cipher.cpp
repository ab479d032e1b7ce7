#include "cipher/cipher.h"

#include "shell/checked_int16.h"
#include "shell/code_page.h"
#include "shell/text.h"

#include <cstdio>

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
                      std::string("Cannot ") + verb(shift) + " a text of " +
                          withThousands(length) + " characters: the longest text Kestrune can " +
                          verb(shift) + " is 32,766 characters. Shorten it and try again.");
}

[[noreturn]] void raiseNoCode(std::int16_t shift, const std::u16string& text, std::size_t index) {
    throw CipherError(Kind::InvalidArgument, index + 1,
                      std::string("Cannot ") + verb(shift) + " " + describeCharacter(text, index) +
                          " at position " + withThousands(index + 1) +
                          ": it is not in the Windows-1252 character set that Kestrune works "
                          "with. Remove or replace it and try again.");
}

[[noreturn]] void raiseOutOfRange(std::int16_t shift, const std::u16string& text,
                                  std::size_t index, std::int16_t code) {
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

// The one implementation behind both functions: the shift's sign is their only difference.
// Counters and codes are signed 16-bit with checked steps, which is what limits a text to
// 32,766 characters: the step past the 32,767th overflows.
std::u16string ShiftString(const std::u16string& St, std::int16_t shift) {
    const auto limit = runtime::toInt16(St.size());
    if (!limit) {
        raiseTooLong(shift, St.size());
    }

    std::u16string result;
    result.reserve(St.size());
    std::int16_t i = 1;
    while (i <= *limit) {
        const auto index = static_cast<std::size_t>(i - 1);
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
        result.push_back(*character);

        const auto next = runtime::addInt16(i, 1);
        if (!next) {
            raiseTooLong(shift, St.size());
        }
        i = *next;
    }
    return runtime::trimSpaces(std::move(result));
}

} // namespace

std::u16string EncryptString(const std::u16string& St) {
    return ShiftString(St, static_cast<std::int16_t>(-CipherShift));
}

std::u16string DecipherString(const std::u16string& St) {
    return ShiftString(St, CipherShift);
}

} // namespace kestrune
