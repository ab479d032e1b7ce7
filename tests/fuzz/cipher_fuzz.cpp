// libFuzzer target for the cipher. Every input is checked against an expectation worked out here
// character by character through the code page alone, and against the properties that must hold
// whatever the fast paths do: trimmed ends, no growth, exact round trips, first offender wins.
//
// Input layout:
//   byte 0      control
//     bits 0-1    0 encrypt, 1 decipher, 2 or 3 both
//     bit 2       narrow: each following byte is a Windows-1252 code; otherwise each little-endian
//                 pair of bytes is one UTF-16 code unit (an odd last byte is dropped)
//     bits 3-5    all set: grow the text to a length near the 16-bit limit, read from byte 1
//     bit 6       when growing: a run of the body's first unit, then the rest of the body, so an
//                 offender can sit at the very end; otherwise the body repeats to the length
//     bit 7       when growing: the offset in byte 1 counts in steps of 256
//   byte 1      when growing, a signed offset from 32,767
//   the rest    the body of the text

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "cipher/cipher.h"
#include "runtime/code_page.h"

namespace {

using kestrune::CipherError;
using Kind = CipherError::Kind;

// The checking code walks every character of texts tens of thousands long; tracing its branches
// and comparisons for coverage would cost most of the time and tell nothing about the cipher.
#define KESTRUNE_UNTRACED __attribute__((no_sanitize("coverage")))

constexpr std::size_t kLongest = 32767; // the length the 16-bit counter cannot step past
constexpr char16_t kSpace = u' ';

[[noreturn]] void fail(const char* what, const char* operation, const std::u16string& text) {
    std::fprintf(stderr, "\ncipher_fuzz: %s (%s, text of %zu code units)\n", what, operation,
                 text.size());
    std::abort();
}

void require(bool holds, const char* what, const char* operation, const std::u16string& text) {
    if (!holds) {
        fail(what, operation, text);
    }
}

// Plain loops rather than the string's own search and compare: those are templates instantiated
// here, and would be traced.
KESTRUNE_UNTRACED std::u16string stripEnds(const std::u16string& text, char16_t unit) {
    const char16_t* first = text.data();
    const char16_t* last = first + text.size();
    while (first != last && *first == unit) {
        ++first;
    }
    while (last != first && *(last - 1) == unit) {
        --last;
    }
    return std::u16string(first, last);
}

KESTRUNE_UNTRACED bool sameText(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a.data()[k] != b.data()[k]) {
            return false;
        }
    }
    return true;
}

struct Outcome {
    std::optional<std::u16string> text; // set on success
    Kind kind = Kind::Overflow;
    std::size_t position = 0;
    std::string message;
};

Outcome refused(Kind kind, std::size_t position) {
    Outcome outcome;
    outcome.kind = kind;
    outcome.position = position;
    return outcome;
}

// The algorithm spelled out one character at a time, with the length rules where they bite.
KESTRUNE_UNTRACED Outcome expectShift(const std::u16string& text, int shift) {
    if (text.size() > kLongest) {
        return refused(Kind::Overflow, 0);
    }
    std::u16string shifted = text; // overwritten; a copy is the cheapest way to size it
    for (std::size_t index = 0; index < text.size(); ++index) {
        const auto code = kestrune::runtime::ansiCode(text.data()[index]);
        if (!code) {
            return refused(Kind::InvalidArgument, index + 1);
        }
        const auto character = kestrune::runtime::charFromAnsi(*code + shift);
        if (!character) {
            return refused(Kind::InvalidArgument, index + 1);
        }
        shifted.data()[index] = *character;
    }
    if (text.size() == kLongest) {
        return refused(Kind::Overflow, 0);
    }
    Outcome outcome;
    outcome.text = stripEnds(shifted, kSpace);
    return outcome;
}

Outcome run(std::u16string (*transform)(const std::u16string&), const std::u16string& text) {
    try {
        Outcome outcome;
        outcome.text = transform(text);
        return outcome;
    } catch (const CipherError& error) {
        Outcome outcome = refused(error.kind(), error.position());
        outcome.message = error.what();
        return outcome;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "\ncipher_fuzz: unexpected exception: %s\n", error.what());
        std::abort();
    }
}

// The message reaches a dialog as UTF-8; a malformed sequence would show as garbage or be dropped.
KESTRUNE_UNTRACED bool isWellFormedUtf8(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        std::size_t extra = 0;
        char32_t scalar = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            scalar = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            scalar = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            scalar = lead & 0x07;
        } else {
            return false;
        }
        if (extra >= bytes.size() - at) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[at + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            scalar = (scalar << 6) | (next & 0x3F);
        }
        const char32_t lowest[] = {0, 0x80, 0x800, 0x10000};
        if (scalar < lowest[extra] || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) {
            return false;
        }
        at += extra + 1;
    }
    return true;
}

// Runs one transform and holds it to the expectation. Returns its result on success.
std::optional<std::u16string> check(const char* operation,
                                    std::u16string (*transform)(const std::u16string&), int shift,
                                    const std::u16string& text) {
    const Outcome expected = expectShift(text, shift);
    const Outcome actual = run(transform, text);

    if (!expected.text) {
        require(!actual.text, "succeeded where it must refuse", operation, text);
        if (actual.kind != expected.kind || actual.position != expected.position) {
            std::fprintf(stderr, "\nexpected kind %d at %zu, got kind %d at %zu\n",
                         static_cast<int>(expected.kind), expected.position,
                         static_cast<int>(actual.kind), actual.position);
            fail("wrong error", operation, text);
        }
        require(!actual.message.empty(), "error without a message", operation, text);
        require(isWellFormedUtf8(actual.message), "error message is not UTF-8", operation, text);
        return std::nullopt;
    }

    if (!actual.text) {
        std::fprintf(stderr, "\nrefused with kind %d at %zu: %s\n", static_cast<int>(actual.kind),
                     actual.position, actual.message.c_str());
        fail("refused a valid text", operation, text);
    }
    const std::u16string& result = *actual.text;
    require(result.empty() || (result.front() != kSpace && result.back() != kSpace),
            "a space left at an end", operation, text);
    require(result.size() <= text.size(), "result longer than the input", operation, text);
    if (!sameText(result, *expected.text)) {
        std::size_t at = 0;
        while (at < result.size() && at < expected.text->size() &&
               result[at] == (*expected.text)[at]) {
            ++at;
        }
        std::fprintf(stderr, "\nresult differs at index %zu (lengths %zu, expected %zu)\n", at,
                     result.size(), expected.text->size());
        fail("wrong result", operation, text);
    }
    return result;
}

KESTRUNE_UNTRACED std::u16string decode(const std::uint8_t* data, std::size_t size,
                                        unsigned control) {
    std::u16string units;
    if (control & 0x04) {
        units.reserve(size);
        for (std::size_t k = 0; k < size; ++k) {
            units += *kestrune::runtime::charFromAnsi(data[k]);
        }
    } else {
        units.reserve(size / 2);
        for (std::size_t k = 0; k + 1 < size; k += 2) {
            units += static_cast<char16_t>(data[k] | (data[k + 1] << 8));
        }
    }
    return units;
}

// The seed over and over, cut to length; doubling copies keep a 65,000-unit text cheap.
std::u16string repeatTo(const std::u16string& seed, std::size_t length) {
    std::u16string text;
    text.reserve(length + seed.size());
    text = seed;
    while (text.size() < length) {
        text.append(text.data(), std::min(text.size(), length - text.size()));
    }
    text.resize(std::min(text.size(), length));
    return text;
}

KESTRUNE_UNTRACED std::u16string grow(const std::u16string& body, unsigned control,
                                      std::uint8_t offsetByte) {
    const long step = (control & 0x80) ? 256 : 1;
    const long target = static_cast<long>(kLongest) + static_cast<std::int8_t>(offsetByte) * step;
    const std::size_t length = target < 0 ? 0 : static_cast<std::size_t>(target);
    const std::u16string seed = body.empty() ? std::u16string(u"a") : body;

    if (control & 0x40) {
        const std::u16string rest = seed.substr(1);
        const std::size_t run = length > rest.size() ? length - rest.size() : 0;
        return repeatTo(seed.substr(0, 1), run) + rest;
    }
    return repeatTo(seed, length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned control = data[0];
    const bool growing = (control & 0x38) == 0x38;
    if (growing && size < 2) {
        return 0;
    }
    const std::size_t header = growing ? 2 : 1;
    std::u16string text = decode(data + header, size - header, control);
    if (growing) {
        text = grow(text, control, data[1]);
    }

    const unsigned which = control & 0x03;
    const int shift = kestrune::CipherShift;
    if (which != 1) {
        if (const auto encrypted = check("encrypt", kestrune::EncryptString, -shift, text)) {
            // Encryption turns "#" (32 + shift) into a space, so the ends' runs of "#" are gone for
            // good, and deciphering trims the spaces that then stand at the ends. Nothing else is
            // lost.
            const auto back =
                check("decipher the encryption", kestrune::DecipherString, shift, *encrypted);
            require(back && sameText(*back,
                                     stripEnds(stripEnds(text, static_cast<char16_t>(32 + shift)),
                                               kSpace)),
                    "encrypt then decipher lost more than the ends", "round trip", text);
        }
    }
    if (which != 0) {
        if (const auto deciphered = check("decipher", kestrune::DecipherString, shift, text)) {
            // The mirror image: the code that deciphers to a space is 32 - shift.
            const auto back =
                check("encrypt the decipherment", kestrune::EncryptString, -shift, *deciphered);
            require(back && sameText(*back,
                                     stripEnds(stripEnds(text, static_cast<char16_t>(32 - shift)),
                                               kSpace)),
                    "decipher then encrypt lost more than the ends", "round trip", text);
        }
    }
    return 0;
}
