#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/checked_int16.h"
#include "runtime/code_page.h"
#include "runtime/program.h"
#include "runtime/text.h"

namespace kestrune::runtime {
namespace {

TEST(CodePage, MapsTheWindows1252Table) {
    const std::vector<std::pair<int, char16_t>> table = {
        {0x00, u'\u0000'}, {0x41, u'A'},      {0x7F, u'\u007F'}, {0x80, u'\u20AC'},
        {0x81, u'\u0081'}, {0x82, u'\u201A'}, {0x8A, u'\u0160'}, {0x8D, u'\u008D'},
        {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x99, u'\u2122'}, {0x9D, u'\u009D'},
        {0x9F, u'\u0178'}, {0xA0, u'\u00A0'}, {0xE9, u'\u00E9'}, {0xFF, u'\u00FF'},
    };
    for (const auto& [code, character] : table) {
        EXPECT_EQ(charFromAnsi(code), character) << "code " << code;
        EXPECT_EQ(ansiCode(character), code) << "code " << code;
    }
}

TEST(CodePage, CharactersOutsideTheSetHaveNoCode) {
    for (const char16_t character : {u'\u0080', u'\u0098', u'\u009F', u'\u0100', u'\u0416',
                                     u'\u20AD', u'\xD800', u'\xDFFF', u'\uFFFD', u'\uFFFF'}) {
        EXPECT_EQ(ansiCode(character), std::nullopt) << int(character);
    }
}

TEST(CodePage, CodesOutside0To255HaveNoCharacter) {
    for (const std::int32_t code : {-1, -32768, 256, 32767, std::numeric_limits<int>::max()}) {
        EXPECT_EQ(charFromAnsi(code), std::nullopt) << code;
    }
}

TEST(CheckedInt16, FailsExactlyWhenTheResultLeavesTheRange) {
    EXPECT_EQ(toInt16(std::size_t{32767}), 32767);
    EXPECT_EQ(toInt16(std::size_t{32768}), std::nullopt);
    EXPECT_EQ(toInt16(-32768), -32768);
    EXPECT_EQ(toInt16(-32769), std::nullopt);

    const std::int16_t max = 32767;
    const std::int16_t min = -32768;
    EXPECT_EQ(addInt16(32766, 1), max);
    EXPECT_EQ(addInt16(max, 1), std::nullopt);
    EXPECT_EQ(addInt16(min, -1), std::nullopt);
    EXPECT_EQ(addInt16(min, max), -1);
    EXPECT_EQ(subtractInt16(min, 1), std::nullopt);
    EXPECT_EQ(subtractInt16(0, min), std::nullopt);
    EXPECT_EQ(subtractInt16(-1, max), min);
}

TEST(TrimSpaces, RemovesOnlyCode32FromBothEnds) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"", u""},
        {u"   ", u""},
        {u"  a b  ", u"a b"},
        {u"\ta\t", u"\ta\t"},
        {u"\u00A0a\u001D", u"\u00A0a\u001D"},
        {std::u16string(u" \0 ", 3), std::u16string(1, u'\0')},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(trimSpaces(in), out);
    }
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        previous =
            setErrorReporter([this](const std::string& message) { reports.push_back(message); });
    }
    void TearDown() override { setErrorReporter(previous); }

    ErrorReporter previous;
    std::vector<std::string> reports;
};

TEST_F(Dispatch, ReportsWhateverLeavesTheCommand) {
    dispatchCommand([] {});
    dispatchCommand([] { throw std::runtime_error("read failed"); });
    dispatchCommand([] { throw 42; });
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "read failed");
    EXPECT_NE(reports[1].find("unexpected error"), std::string::npos);
}

TEST_F(Dispatch, SurvivesAFailingReporter) {
    setErrorReporter([](const std::string&) { throw std::logic_error("no display"); });
    EXPECT_NO_THROW(dispatchCommand([] { throw std::runtime_error("x"); }));
}

TEST(EndProgram, CallsTheInstalledOperation) {
    int calls = 0;
    EndHandler previous = setEndHandler([&calls] { ++calls; });
    endProgram();
    setEndHandler(previous);
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace kestrune::runtime
