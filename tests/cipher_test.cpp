// The cipher against hand-worked vectors and, through both kernels, against the independent model.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "cipher/shift.h"
#include "tests/cipher_model.h"

namespace kestrune {
namespace model {
void PrintTo(const model::Outcome& o, std::ostream* os) {
    *os << (o.refused ? "refused, kind " : "text of length ")
        << (o.refused ? int(o.kind) : int(o.text.size())) << ", position " << o.position;
}
} // namespace model

namespace {

using Kind = CipherError::Kind;
using Transform = std::u16string (*)(const std::u16string&);
using model::kShift;

model::Outcome outcome(const std::function<std::u16string()>& run) {
    try {
        return {false, run()};
    } catch (const CipherError& error) {
        return {true, {}, error.kind(), error.position()};
    }
}

// Every kernel must give what the model gives, refusals included.
void expectModel(const std::u16string& text, int shift) {
    const model::Outcome expected = model::shift(text, shift);
    for (const auto kernel : {detail::Kernel::Scalar, detail::Kernel::Vector}) {
        ASSERT_EQ(outcome([&] {
                      return detail::ShiftString(text, static_cast<std::int16_t>(shift), kernel);
                  }),
                  expected)
            << "kernel " << static_cast<int>(kernel) << ", shift " << shift << ", length "
            << text.size() << ", first unit " << (text.empty() ? 0 : int(text[0]));
    }
}

TEST(Cipher, HandWorkedVectorsBothWays) {
    const std::u16string nul(1, u'\0');
    const struct {
        std::u16string plain, encrypted, back;
    } vectors[] = {
        {u"", u"", u""},
        {u"Hello, World!", u"Ebiil)\u001DTloia\u001E", u"Hello, World!"},
        {u"\u20AC\u0178\u0090\u00A1", u"}\u0153\u008D\u017E", u"\u20AC\u0178\u0090\u00A1"},
        {u"a\u0003b", u"^" + nul + u"_", u"a\u0003b"},
        {u" a ", u"\u001D^\u001D", u"a"}, // outer spaces survive as controls, once
        {u"##a#b##", u"^ _", u"a#b"},     // '#' becomes a space: trimmed at the ends
        {u"\u000C", u"\t", u"\u000C"},    // tabs are never trimmed
        {std::u16string(32766, u'd'), std::u16string(32766, u'a'), std::u16string(32766, u'd')},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(EncryptString(v.plain), v.encrypted);
        EXPECT_EQ(DecipherString(v.encrypted), v.back);
        expectModel(v.plain, -kShift);
        expectModel(v.encrypted, kShift);
    }
}

std::u16string with(std::size_t length, std::size_t position, char16_t character) {
    std::u16string text(length, u'a');
    text[position - 1] = character;
    return text;
}

TEST(Cipher, RefusalsNameTheFirstOffender) {
    const struct {
        Transform transform;
        std::u16string text;
        Kind kind;
        std::size_t position;
    } refusals[] = {
        {EncryptString, u"ab\u0002", Kind::InvalidArgument, 3},
        {DecipherString, u"xy\u00FD", Kind::InvalidArgument, 3},
        {EncryptString, u"abcd\u0001\u0416\u0000", Kind::InvalidArgument, 5},
        {DecipherString, u"a\U0001F600", Kind::InvalidArgument, 2},
        {EncryptString, u"z\xDC00", Kind::InvalidArgument, 2},
        {EncryptString, std::u16string(32767, u'a'), Kind::Overflow, 0},
        {DecipherString, with(32767, 32767, u'\u00FF'), Kind::InvalidArgument, 32767},
        {DecipherString, std::u16string(32768, u'a'), Kind::Overflow, 0},
        {EncryptString, with(40000, 1, u'\u0001'), Kind::Overflow, 0},
    };
    for (const auto& r : refusals) {
        const int shift = r.transform == EncryptString ? -kShift : kShift;
        const model::Outcome expected{true, {}, r.kind, r.position};
        EXPECT_EQ(outcome([&] { return r.transform(r.text); }), expected) << r.position;
        EXPECT_EQ(model::shift(r.text, shift), expected) << r.position;
        expectModel(r.text, shift);
    }
}

// Every UTF-16 code unit alone, and the whole code page as one text.
TEST(Cipher, EveryCharacterFollowsTheModel) {
    for (int unit = 0; unit <= 0xFFFF; ++unit) {
        ASSERT_NO_FATAL_FAILURE(expectModel(std::u16string(1, char16_t(unit)), -kShift));
        ASSERT_NO_FATAL_FAILURE(expectModel(std::u16string(1, char16_t(unit)), kShift));
    }
    std::u16string all;
    for (int code = kShift; code < 256 - kShift; ++code) {
        all += model::kCodePage[code];
    }
    expectModel(all, -kShift);
    expectModel(all, kShift);
}

TEST(Cipher, MessagesSayWhatAndWhere) {
    const struct {
        Transform transform;
        std::u16string text;
        std::vector<std::string> mentions;
    } messages[] = {
        {EncryptString,
         u"ab\u0416",
         {"encrypt", "\"\u0416\" (U+0416)", "position 3", "Windows-1252"}},
        {DecipherString, u"a\U0001F600", {"decrypt", "\"\U0001F600\" (U+1F600)", "position 2"}},
        {EncryptString, u"\xDC00", {"surrogate U+DC00", "position 1"}},
        {EncryptString, u"x\u0001", {"control character U+0001"}},
        {EncryptString, u"\u0002", {"code, 2", "below 0"}},
        {DecipherString, u"\u00FE", {"\"\u00FE\" (U+00FE)", "above 255"}},
        {EncryptString, std::u16string(40000, u'a'), {"40,000 characters", "32,766 characters"}},
    };
    for (const auto& m : messages) {
        try {
            m.transform(m.text);
            ADD_FAILURE() << "no error for " << m.mentions[0];
        } catch (const CipherError& error) {
            for (const std::string& mention : m.mentions) {
                EXPECT_THAT(error.what(), ::testing::HasSubstr(mention));
            }
        }
    }
}

} // namespace
} // namespace kestrune
