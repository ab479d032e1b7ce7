// The cipher against hand-worked vectors and refusals, and through every kernel against the model;
// and the runtime's last resorts, which no window test reaches.

#include <gtest/gtest.h>
#include <stdexcept>

#include "cipher/shift.h"
#include "runtime/program.h"
#include "tests/cipher_model.h"

namespace kestrune {
namespace {

using Kind = CipherError::Kind;

// Every kernel this processor runs must give what the model gives, refusals included.
void expectModel(const std::u16string& text, int shift) {
    for (const auto& kernel : detail::Kernels()) {
        if (!kernel.usable) {
            continue;
        }
        ASSERT_EQ(
            model::run([&] { return detail::ShiftString(text, std::int16_t(shift), kernel); }),
            model::shift(text, shift))
            << kernel.name << " kernel, shift " << shift << ", first unit "
            << (text.empty() ? -1 : int(text[0])) << ", length " << text.size();
    }
}

TEST(Cipher, HandWorkedVectorsBothWays) {
    const std::u16string nul(1, u'\0'), longest(32766, u'd');
    const struct {
        std::u16string plain, encrypted, back;
    } vectors[] = {
        {u"", u"", u""},
        {u"Hello, World!", u"Ebiil)\u001DTloia\u001E", u"Hello, World!"},
        {u"\u20AC\u0178\u0090\u00A1", u"}\u0153\u008D\u017E", u"\u20AC\u0178\u0090\u00A1"},
        {u"a\u0003b", u"^" + nul + u"_", u"a\u0003b"},
        {u" a ", u"\u001D^\u001D", u"a"}, // outer spaces survive as controls, once
        {u"##a#b##", u"^ _", u"a#b"},     // '#' becomes a space, trimmed at the ends
        {u"\u000C", u"\t", u"\u000C"},    // tabs are never trimmed
        {longest, std::u16string(32766, u'a'), longest},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(EncryptString(v.plain), v.encrypted);
        EXPECT_EQ(DecipherString(v.encrypted), v.back);
        expectModel(v.plain, -model::kShift);
        expectModel(v.encrypted, model::kShift);
    }
}

// Shift -3 encrypts, +3 deciphers.
TEST(Cipher, RefusalsNameTheFirstOffender) {
    const struct {
        int shift;
        std::u16string text;
        Kind kind;
        std::size_t position;
        std::string says;
    } refusals[] = {
        {-3, u"ab\u0416", Kind::InvalidArgument, 3,
         "encrypt the character \"\u0416\" (U+0416) at position 3: it is not in the Windows-1252"},
        {3, u"a\U0001F600", Kind::InvalidArgument, 2,
         "decrypt the character \"\U0001F600\" (U+1F600)"},
        {-3, u"z\xDC00", Kind::InvalidArgument, 2, "the unpaired surrogate U+DC00 at position 2"},
        {3, u"\u2603", Kind::InvalidArgument, 1, "\"\u2603\" (U+2603)"},
        {-3, u"abcd\u0001\u0416", Kind::InvalidArgument, 5,
         "control character U+0001 at position 5: its code, 1, shifted down by 3 would fall"},
        {3, u"xy\u00FD", Kind::InvalidArgument, 3,
         "code, 253, shifted up by 3 would fall above 255"},
        {-3, std::u16string(32767, u'a'), Kind::Overflow, 0, "a text of 32,767 characters"},
        {3, std::u16string(32766, u'a') + u'\u00FF', Kind::InvalidArgument, 32767,
         "position 32,767"},
        {-3, u'\u0001' + std::u16string(39999, u'a'), Kind::Overflow, 0,
         "40,000 characters: the longest text"},
    };
    for (const auto& r : refusals) {
        const model::Outcome expected{true, {}, r.kind, r.position};
        const auto transform = r.shift < 0 ? EncryptString : DecipherString;
        std::string message;
        EXPECT_EQ(model::run([&] { return transform(r.text); }, &message), expected) << r.says;
        EXPECT_NE(message.find(r.says), std::string::npos) << message;
        EXPECT_EQ(model::shift(r.text, r.shift), expected) << r.says;
        expectModel(r.text, r.shift);
    }
}

// Every UTF-16 code unit alone, and the whole code page as one text.
TEST(Cipher, EveryCharacterFollowsTheModel) {
    for (int unit = 0; unit <= 0xFFFF; ++unit) {
        ASSERT_NO_FATAL_FAILURE(expectModel(std::u16string(1, char16_t(unit)), -model::kShift));
        ASSERT_NO_FATAL_FAILURE(expectModel(std::u16string(1, char16_t(unit)), model::kShift));
    }
    const std::u16string all(model::kCodePage.begin() + 3, model::kCodePage.end() - 3);
    expectModel(all, -model::kShift);
    expectModel(all, model::kShift);
}

// Lanes matter to the vector kernel: each edge of its arithmetic ranges in every lane, at the
// edges of the 1,024-character blocks and in the tail, alone or with a quote a few lanes after
// it, among ASCII, Latin-1 or table-only lanes, so that each of its loops runs and hands over.
TEST(Cipher, EveryLaneFollowsTheModel) {
    for (const char16_t base : {u'a', u'\u00E9', u'\u2019'}) {
        for (const char16_t edge : u"\2\3 |}\u007F\u0081\u009F\u00A0\u00A2\u00A3\u00FC\u00FD\u00FF"
                                   u"\u0100\u20AC\uFFFF") {
            for (std::size_t at = 0; at < 2100; at += at == 40 ? 970 : at == 1050 ? 990 : 1) {
                std::u16string text(2100, base);
                text[at] = edge;
                if (const std::size_t after = at + at % 9; after != at && after < text.size()) {
                    text[after] = u'\u201D';
                }
                SCOPED_TRACE(testing::Message() << "edge " << int(edge) << " at " << at);
                ASSERT_NO_FATAL_FAILURE(expectModel(text, -model::kShift));
                ASSERT_NO_FATAL_FAILURE(expectModel(text, model::kShift));
            }
        }
    }
}

TEST(Dispatch, ReportsAnythingThrownAndSurvivesAFailingReporter) {
    std::vector<std::string> reports;
    runtime::setErrorReporter([&](const std::string& m) { reports.push_back(m); });
    runtime::dispatchCommand([] { throw 42; });
    runtime::setErrorReporter([](const std::string&) { throw std::logic_error("no display"); });
    EXPECT_NO_THROW(runtime::dispatchCommand([] { throw std::runtime_error("x"); }));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("unexpected error"), std::string::npos);
}

} // namespace
} // namespace kestrune
