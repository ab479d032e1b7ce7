// libFuzzer target for the cipher: both kernels against the shared model, and the round trips.
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

#include <cstdio>
#include <cstdlib>

#include "cipher/shift.h"
#include "tests/cipher_model.h"

namespace {

using namespace kestrune;

void require(bool holds, const char* what, int shift, const std::u16string& text) {
    if (!holds) {
        std::fprintf(stderr, "\ncipher_fuzz: %s (shift %d, %zu units)\n", what, shift, text.size());
        std::abort();
    }
}

// The message reaches a dialog as UTF-8; iconv refuses a malformed sequence.
bool isUtf8(std::string message) {
    const iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::u16string out(message.size(), u'\0');
    char *in = message.data(), *to = reinterpret_cast<char*>(out.data());
    std::size_t inLeft = message.size(), outLeft = out.size() * 2;
    const bool well = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return well;
}

// Both kernels must give the model's outcome; returns the result when there is one.
std::optional<std::u16string> check(const std::u16string& text, int shift) {
    const model::Outcome expected = model::shift(text, shift);
    for (const auto kernel : {detail::Kernel::Scalar, detail::Kernel::Vector}) {
        try {
            const auto result = detail::ShiftString(text, static_cast<std::int16_t>(shift), kernel);
            require(!expected.refused, "accepted a text the model refuses", shift, text);
            require(result == expected.text, "result differs from the model", shift, text);
        } catch (const CipherError& error) {
            require(expected.refused, "refused a text the model accepts", shift, text);
            require(error.kind() == expected.kind && error.position() == expected.position,
                    "wrong error kind or position", shift, text);
            require(*error.what() != '\0' && isUtf8(error.what()), "bad message", shift, text);
        }
    }
    return expected.refused ? std::nullopt : std::optional(expected.text);
}

std::u16string strip(const std::u16string& text, char16_t unit) {
    const auto first = text.find_first_not_of(unit);
    return first == text.npos ? u"" : text.substr(first, text.find_last_not_of(unit) + 1 - first);
}

std::u16string repeatTo(const std::u16string& seed, std::size_t length) {
    std::u16string text = seed;
    while (text.size() < length) {
        text += text;
    }
    return text.substr(0, length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const unsigned control = size ? data[0] : 0;
    const bool growing = (control & 0x38) == 0x38;
    if (size < (growing ? 2u : 1u)) {
        return 0;
    }
    std::u16string text;
    for (std::size_t k = growing ? 2 : 1; k < size; ++k) {
        if (control & 0x04) {
            text += model::kCodePage[data[k]];
        } else if (++k < size) {
            text += static_cast<char16_t>(data[k - 1] | data[k] << 8);
        }
    }
    if (growing) {
        const long length =
            32767L + static_cast<std::int8_t>(data[1]) * ((control & 0x80) ? 256 : 1);
        const std::u16string seed = text.empty() ? u"a" : text;
        const std::size_t rest = (control & 0x40) ? seed.size() - 1 : 0;
        text = repeatTo(rest ? seed.substr(0, 1) : seed, length > long(rest) ? length - rest : 0) +
               seed.substr(seed.size() - rest);
    }
    // An encryption deciphers back to the text without its outer spaces and without the outer
    // runs of '#', which encrypt to spaces; deciphering then encrypting mirrors that.
    for (const int shift : {-model::kShift, model::kShift}) {
        if ((control & 0x03) == (shift < 0 ? 1u : 0u)) {
            continue;
        }
        if (const auto there = check(text, shift)) {
            const auto back = check(*there, -shift);
            require(back && *back == strip(strip(text, char16_t(32 - shift)), u' '),
                    "the round trip lost more than the ends", shift, text);
        }
    }
    return 0;
}
