#include <gtest/gtest.h>
#include <stdexcept>

#include "cipher/cipher.h"
#include "main_window/frm_main.h"
#include "runtime/program.h"

namespace kestrune {
namespace {

class MemoryBox : public TextBox {
public:
    explicit MemoryBox(std::u16string initial = {}) : value(std::move(initial)) {}
    std::u16string text() const override { return value; }
    void setText(const std::u16string& text) override {
        value = text;
        ++writes;
    }

    std::u16string value;
    int writes = 0;
};

class BrokenBox : public TextBox {
public:
    std::u16string text() const override { throw std::runtime_error("cannot read"); }
    void setText(const std::u16string&) override { throw std::runtime_error("cannot write"); }
};

class Commands : public ::testing::Test {
protected:
    MemoryBox txtEncrypt, txtDecrypt, txtResult;
    frmMain form{txtEncrypt, txtDecrypt, txtResult};
};

TEST_F(Commands, EncryptAndDecryptFillTheResultAndLeaveTheInputs) {
    txtEncrypt.value = u" Hello, World! ";
    txtDecrypt.value = u"Ebiil)\u001DTloia\u001E";

    form.cmdEncrypt_Click();
    EXPECT_EQ(txtResult.value, u"\u001DEbiil)\u001DTloia\u001E\u001D");
    form.cmdDecrypt_Click();
    EXPECT_EQ(txtResult.value, u"Hello, World!");

    EXPECT_EQ(txtEncrypt.value, u" Hello, World! ");
    EXPECT_EQ(txtDecrypt.value, u"Ebiil)\u001DTloia\u001E");
    EXPECT_EQ(txtEncrypt.writes + txtDecrypt.writes, 0);
}

TEST_F(Commands, RepeatedEncryptGivesTheSameResultAndOverwritesHandTypedText) {
    txtEncrypt.value = u"abc";
    txtResult.value = u"typed by hand";
    form.cmdEncrypt_Click();
    form.cmdEncrypt_Click();
    EXPECT_EQ(txtResult.value, u"^_`");
    EXPECT_EQ(txtResult.writes, 2);
}

TEST_F(Commands, EmptyInputWritesAnEmptyResult) {
    txtResult.value = u"old";
    form.cmdDecrypt_Click();
    EXPECT_EQ(txtResult.value, u"");
    EXPECT_EQ(txtResult.writes, 1);
}

TEST_F(Commands, ARefusedInputChangesNoBox) {
    txtEncrypt.value = u"ok\u0001";
    txtDecrypt.value = u"ok\u00FF";
    txtResult.value = u"previous";
    EXPECT_THROW(form.cmdEncrypt_Click(), CipherError);
    EXPECT_THROW(form.cmdDecrypt_Click(), CipherError);
    EXPECT_EQ(txtResult.value, u"previous");
    EXPECT_EQ(txtEncrypt.value, u"ok\u0001");
    EXPECT_EQ(txtDecrypt.value, u"ok\u00FF");
    EXPECT_EQ(txtResult.writes + txtEncrypt.writes + txtDecrypt.writes, 0);
}

TEST(CommandsWithBrokenBoxes, FailuresPassThroughUnchanged) {
    BrokenBox broken;
    MemoryBox good{u"abc"}, result{u"previous"};
    frmMain readFails{broken, broken, result};
    EXPECT_THROW(readFails.cmdEncrypt_Click(), std::runtime_error);
    EXPECT_THROW(readFails.cmdDecrypt_Click(), std::runtime_error);
    EXPECT_EQ(result.value, u"previous");

    frmMain writeFails{good, good, broken};
    EXPECT_THROW(writeFails.cmdEncrypt_Click(), std::runtime_error);
}

TEST(Quit, EndsTheProgramOnce) {
    int ends = 0;
    const runtime::EndHandler previous = runtime::setEndHandler([&ends] { ++ends; });
    MemoryBox a, b, c;
    frmMain form{a, b, c};
    form.cmdQuit_Click();
    runtime::setEndHandler(previous);
    EXPECT_EQ(ends, 1);
}

} // namespace
} // namespace kestrune
