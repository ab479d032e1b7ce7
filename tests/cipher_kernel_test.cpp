// Vector kernel against scalar where lanes matter: each edge of the arithmetic ranges in every
// lane, at the edges of the 1,024-character blocks and in the tail, alone or with a quote a few
// lanes after it, among ASCII, Latin-1 or table-only lanes, so that each block loop runs and hands
// over.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "cipher/shift.h"

namespace kestrune::detail {

static std::u16string outcome(const std::u16string& text, int shift, Kernel kernel) {
    try {
        return ShiftString(text, static_cast<std::int16_t>(shift), kernel);
    } catch (const CipherError& error) {
        const std::string_view message = error.what();
        return {message.begin(), message.end()};
    }
}

TEST(CipherKernels, AgreeInEveryLane) {
    for (const char16_t base : {u'a', u'\u00E9', u'\u2019'}) {
        for (const char16_t edge : u"\2\3 |}\u007F\u0081\u009F\u00A0\u00A2\u00A3\u00FC\u00FD\u00FF"
                                   u"\u0100\u20AC\uFFFF") {
            for (std::size_t at = 0; at < 2100; at += at == 40 ? 970 : at == 1050 ? 990 : 1) {
                std::u16string text(2100, base);
                text[at] = edge;
                if (const std::size_t after = at + at % 9; after != at && after < text.size()) {
                    text[after] = u'\u201D';
                }
                for (const int shift : {-CipherShift, +CipherShift}) {
                    ASSERT_EQ(outcome(text, shift, Kernel::Scalar),
                              outcome(text, shift, Kernel::Vector))
                        << std::hex << int(base) << " " << int(edge) << std::dec << " at " << at;
                }
            }
        }
    }
}

} // namespace kestrune::detail
