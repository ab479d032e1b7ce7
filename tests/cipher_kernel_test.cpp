// Vector kernel against scalar where lanes matter: each edge of the arithmetic ranges in every lane
// of three groups and the tail, among ASCII, Latin-1 or table-only lanes, quotes filling in behind.
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
            std::u16string text(100, base);
            for (std::size_t at = 0; at < text.size(); text[at++] = base) {
                text[99 - at] = u'\u2019';
                text[at] = edge;
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
