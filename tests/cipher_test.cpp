#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "runtime/code_page.h"

namespace kestrune {
namespace {

using Kind = CipherError::Kind;
using Transform = std::u16string (*)(const std::u16string&);
using ::testing::HasSubstr;

std::u16string fromCode(int code) {
    return std::u16string(1, *runtime::charFromAnsi(code));
}

struct Vector {
    const char* name;
    std::u16string plain;
    std::u16string encrypted;
};

// Parameters print as their names, so CTest lists readable test names.
template <typename T>
requires requires(T t) {
    t.name;
}
void PrintTo(const T& param, std::ostream* os) {
    *os << param.name;
}

class CipherVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(CipherVectors, EncryptsToTheVector) {
    EXPECT_EQ(EncryptString(GetParam().plain), GetParam().encrypted);
}

TEST_P(CipherVectors, DeciphersBackWithoutItsOuterSpaces) {
    const std::u16string& plain = GetParam().plain;
    const auto first = plain.find_first_not_of(u' ');
    const std::u16string trimmed =
        first == std::u16string::npos
            ? u""
            : plain.substr(first, plain.find_last_not_of(u' ') - first + 1);
    EXPECT_EQ(DecipherString(GetParam().encrypted), trimmed);
}

// Worked out by hand from the Windows-1252 table with a shift of 3.
INSTANTIATE_TEST_SUITE_P(
    ByHand, CipherVectors,
    ::testing::Values(Vector{"Empty", u"", u""},
                      Vector{"HelloWorld", u"Hello, World!", u"Ebiil)\u001DTloia\u001E"},
                      Vector{"EuroSign", u"\u20AC", u"}"},                  // 0x80 -> 0x7D
                      Vector{"YWithDiaeresis", u"\u0178", u"\u0153"},       // 0x9F -> 0x9C
                      Vector{"UnassignedHoleIsKept", u"\u0090", u"\u008D"}, // 0x90 -> 0x8D
                      Vector{"IntoTheHighBlock", u"\u00A1", u"\u017E"},     // 0xA1 -> 0x9E
                      Vector{"CodeThreeBecomesNul", u"\u0003", std::u16string(1, u'\0')},
                      Vector{"NulStaysInside", u"a\u0003b", std::u16string(u"^") + u'\0' + u"_"},
                      Vector{"SpaceBecomesControlCode", u" ", u"\u001D"},
                      Vector{"OuterSpacesSurviveAsControls", u" a ", u"\u001D^\u001D"},
                      Vector{"TabIsNeverTrimmed", u"\u000C", u"\t"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cipher, HashEncryptsToASpaceTrimmedAtTheEndsKeptInside) {
    EXPECT_EQ(EncryptString(u"#"), u"");
    EXPECT_EQ(EncryptString(u"##a#b##"), u"^ _");
    EXPECT_EQ(DecipherString(u"   "), u"###");
}

TEST(Cipher, DecipheringTabsAndControlsKeepsThemAtTheEnds) {
    EXPECT_EQ(DecipherString(u"\u0006a\u0006"), u"\td\t");
}

TEST(Cipher, EveryEncryptableCharacterRoundTrips) {
    std::u16string all;
    for (int code = CipherShift; code <= 255; ++code) {
        const std::u16string one = fromCode(code);
        const std::u16string encrypted = EncryptString(one);
        ASSERT_EQ(encrypted, code == 32 + CipherShift ? u"" : fromCode(code - CipherShift))
            << "code " << code;
        if (code != 32 + CipherShift) {
            EXPECT_EQ(DecipherString(encrypted), code == 32 ? u"" : one) << "code " << code;
        }
        all += one;
    }
    // Inside a text, nothing is trimmed: the whole code page comes back unchanged.
    EXPECT_EQ(DecipherString(EncryptString(all)), all);
}

struct Refusal {
    const char* name;
    Transform transform;
    std::u16string text;
    Kind kind;
    std::size_t position;
};

class CipherRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(CipherRefusals, RaiseTheFirstOffendersKindAndPosition) {
    const Refusal& r = GetParam();
    try {
        const std::u16string result = r.transform(r.text);
        FAIL() << "returned a text of " << result.size() << " characters";
    } catch (const CipherError& error) {
        EXPECT_EQ(error.kind(), r.kind);
        EXPECT_EQ(error.position(), r.position);
    }
}

std::u16string repeated(std::size_t count, char16_t fill = u'a') {
    return std::u16string(count, fill);
}

std::u16string with(std::u16string text, std::size_t position, char16_t character) {
    text[position - 1] = character;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CipherRefusals,
    ::testing::Values(
        Refusal{"EncryptCode0", EncryptString, fromCode(0), Kind::InvalidArgument, 1},
        Refusal{"EncryptCode2", EncryptString, u"ab\u0002", Kind::InvalidArgument, 3},
        Refusal{"DecipherCode253", DecipherString, u"\u00FD", Kind::InvalidArgument, 1},
        Refusal{"DecipherCode255", DecipherString, u"xy\u00FF", Kind::InvalidArgument, 3},
        Refusal{"FirstOffenderDecides", EncryptString, u"abcd\u0001\u0416\u0000",
                Kind::InvalidArgument, 5},
        Refusal{"Cyrillic", EncryptString, u"ab\u0416", Kind::InvalidArgument, 3},
        Refusal{"Emoji", DecipherString, u"a\U0001F600", Kind::InvalidArgument, 2},
        Refusal{"LoneHighSurrogate", EncryptString, u"\xD800z", Kind::InvalidArgument, 1},
        Refusal{"LoneLowSurrogate", DecipherString, u"z\xDC00", Kind::InvalidArgument, 2},
        Refusal{"C1OutsideTheTable", EncryptString, u"a\u0098", Kind::InvalidArgument, 2},
        Refusal{"Length32767", EncryptString, repeated(32767), Kind::Overflow, 0},
        Refusal{"Length32767Decipher", DecipherString, repeated(32767), Kind::Overflow, 0},
        Refusal{"Length32767InvalidLast", EncryptString, with(repeated(32767), 32767, u'\u0001'),
                Kind::InvalidArgument, 32767},
        Refusal{"Length32767InvalidFirst", DecipherString, with(repeated(32767), 1, u'\u0416'),
                Kind::InvalidArgument, 1},
        Refusal{"Length32768", DecipherString, repeated(32768), Kind::Overflow, 0},
        Refusal{"Length40000InvalidFirst", EncryptString, with(repeated(40000), 1, u'\u0001'),
                Kind::Overflow, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cipher, LongestAcceptedTextIs32766Characters) {
    const std::u16string text = repeated(32766, u'd');
    EXPECT_EQ(EncryptString(text), repeated(32766, u'a'));
    EXPECT_EQ(DecipherString(text), repeated(32766, u'g'));
}

struct Message {
    const char* name;
    Transform transform;
    std::u16string text;
    std::vector<std::string> mentions;
};

class CipherMessages : public ::testing::TestWithParam<Message> {};

TEST_P(CipherMessages, NameWhatAndWhere) {
    const Message& m = GetParam();
    try {
        m.transform(m.text);
        FAIL() << "no error";
    } catch (const CipherError& error) {
        for (const std::string& mention : m.mentions) {
            EXPECT_THAT(error.what(), HasSubstr(mention));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readable, CipherMessages,
    ::testing::Values(
        Message{"NotInCodePage",
                EncryptString,
                u"ab\u0416",
                {"encrypt", "\"\u0416\" (U+0416)", "position 3", "Windows-1252"}},
        Message{"EmojiAsOneCharacter",
                DecipherString,
                u"a\U0001F600",
                {"decrypt", "\"\U0001F600\" (U+1F600)", "position 2"}},
        Message{
            "LoneSurrogateNotShown", EncryptString, u"\xDC00", {"surrogate U+DC00", "position 1"}},
        Message{"ControlNotShown", EncryptString, u"x\u0001", {"control character U+0001"}},
        Message{"BelowZero", EncryptString, u"\u0002", {"code, 2", "below 0"}},
        Message{"AboveMaximum", DecipherString, u"\u00FE", {"\"\u00FE\" (U+00FE)", "above 255"}},
        Message{
            "Length", EncryptString, repeated(40000), {"40,000 characters", "32,766 characters"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrune
