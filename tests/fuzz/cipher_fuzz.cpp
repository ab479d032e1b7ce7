// The cipher against the model, and the round trips. Byte 0 steers: bits 0-1 are 0 encrypt,
// 1 decipher, else both; bit 2 reads each further byte as a Windows-1252 code, else each
// little-endian pair as a UTF-16 unit. The longest texts come from -max_len.

#include <cstdio>
#include <cstdlib>

#include "tests/cipher_model.h"

namespace {

using namespace kestrune;

void require(bool holds, const char* what, int shift, const std::u16string& text) {
    if (!holds) {
        std::fprintf(stderr, "\ncipher_fuzz: %s (shift %d, %zu units)\n", what, shift, text.size());
        std::abort();
    }
}

model::Outcome check(const std::u16string& text, int shift) {
    const model::Outcome expected = model::shift(text, shift);
    require(model::program(text, shift) == expected, "not the model's outcome", shift, text);
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const unsigned control = size ? data[0] : 0;
    std::u16string text;
    for (std::size_t k = 1; k < size; ++k) {
        if (control & 0x04) {
            text += model::kCodePage[data[k]];
        } else if (++k < size) {
            text += static_cast<char16_t>(data[k - 1] | data[k] << 8);
        }
    }
    // An encryption deciphers back to the text without its outer spaces and without the outer
    // runs of '#', which encrypt to spaces; deciphering then encrypting mirrors that.
    for (const int shift : {-model::kShift, model::kShift}) {
        if ((control & 0x03) == (shift < 0 ? 1u : 0u)) {
            continue;
        }
        const model::Outcome there = check(text, shift);
        require(there.refused || check(there.text, -shift).text ==
                                     model::strip(model::strip(text, char16_t(32 - shift)), u' '),
                "the round trip lost more than the ends", shift, text);
    }
    return 0;
}
