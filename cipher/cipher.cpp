#include "cipher/cipher.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "runtime/checked_int16.h"
#include "runtime/code_page.h"
#include "runtime/text.h"

namespace kestrune {

CipherError::CipherError(Kind kind, std::size_t position, std::u16string message)
    : runtime::Error(std::move(message)), kind_(kind), position_(position) {}

namespace {

using Kind = CipherError::Kind;

std::u16string ascii(std::string_view text) {
    return {text.begin(), text.end()};
}

std::u16string verb(std::int16_t shift) {
    return shift < 0 ? u"encrypt" : u"decrypt";
}

// Names the character at index as a person can find it: the glyph in quotes where it has one,
// and always its U+ code. A surrogate pair is named as the one character it forms.
std::u16string describeCharacter(const std::u16string& text, std::size_t index) {
    char32_t scalar = text[index];
    std::size_t units = 1;
    if (scalar >= 0xD800 && scalar <= 0xDBFF && index + 1 < text.size() &&
        text[index + 1] >= 0xDC00 && text[index + 1] <= 0xDFFF) {
        scalar = 0x10000 + ((scalar - 0xD800) << 10) + (text[index + 1] - 0xDC00);
        units = 2;
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(scalar));
    if (scalar >= 0xD800 && scalar <= 0xDFFF) {
        return u"the unpaired surrogate " + ascii(code);
    }
    if (scalar < 0x20 || (scalar >= 0x7F && scalar < 0xA0)) {
        return u"the control character " + ascii(code);
    }
    return u"the character \"" + text.substr(index, units) + u"\" (" + ascii(code) + u")";
}

[[noreturn]] void raiseTooLong(std::int16_t shift, std::size_t length) {
    throw CipherError(Kind::Overflow, 0,
                      u"Cannot " + verb(shift) + u" a text of " + runtime::withThousands(length) +
                          u" characters: the longest text Kestrune can " + verb(shift) +
                          u" is 32,766 characters. Shorten it and try again.");
}

// The character at index has no code, or its shifted code has no character.
[[noreturn]] void raiseRefused(std::int16_t shift, const std::u16string& text, std::size_t index) {
    std::u16string why;
    if (const auto code = runtime::ansiCode(text[index])) {
        why = u"its code, " + ascii(std::to_string(*code)) + u", shifted " +
              (shift < 0 ? u"down" : u"up") + u" by " + ascii(std::to_string(CipherShift)) +
              u" would fall " + (shift < 0 ? u"below 0" : u"above 255");
    } else {
        why = u"it is not in the Windows-1252 character set that Kestrune works with";
    }
    throw CipherError(Kind::InvalidArgument, index + 1,
                      u"Cannot " + verb(shift) + u" " + describeCharacter(text, index) +
                          u" at position " + runtime::withThousands(index + 1) + u": " + why +
                          u". Remove or replace it and try again.");
}

// Character by character: the length as a 16-bit limit, each code shifted and turned back into a
// character, and the 16-bit position counter stepped with its overflow check (past 32,767).
std::u16string ShiftString(const std::u16string& St, std::int16_t shift) {
    const auto limit = runtime::toInt16(St.size());
    if (!limit) {
        raiseTooLong(shift, St.size());
    }
    std::u16string result;
    result.reserve(St.size());
    for (std::int16_t i = 1; i <= *limit;) {
        const auto index = static_cast<std::size_t>(i - 1);
        const auto code = runtime::ansiCode(St[index]);
        const auto shifted = code ? runtime::charFromAnsi(*code + shift) : std::nullopt;
        if (!shifted) {
            raiseRefused(shift, St, index);
        }
        result += *shifted;
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
