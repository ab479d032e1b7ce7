// The cipher held to the code page as glibc's iconv has it, the commands' own rule and the
// runtime's last resorts, which no window test reaches; then the window on Qt's offscreen platform.

#include <algorithm>
#include <array>
#include <clocale>
#include <gtest/gtest.h>
#include <iconv.h>
#include <stdexcept>
#include <tuple>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "cipher/cipher.h"
#include "main_window/frm_main.h"
#include "main_window/qt/main_window.h"
#include "runtime/program.h"
#include "shell/qt/message_box_reporter.h"

namespace kestrune {
namespace {

// Windows-1252, code to character; the five bytes glibc leaves unassigned keep their C1 control.
const std::array<char16_t, 256> kCodePage = [] {
    std::array<char16_t, 256> table{};
    const iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    for (int code = 0; code < 256; ++code) {
        char in = static_cast<char>(code), *from = &in, out[2], *to = out;
        std::size_t inLeft = 1, outLeft = 2;
        const bool assigned = iconv(cd, &from, &inLeft, &to, &outLeft) == 0;
        table[code] = assigned ? char16_t((out[1] & 0xFF) << 8 | (out[0] & 0xFF)) : char16_t(code);
    }
    iconv_close(cd);
    return table;
}();

using Kind = CipherError::Kind;

// Alone, each character becomes the one whose code is 3 lower or higher, none where that is a
// space, or is refused at position 1; the code page as one text comes back whole; a text too long
// overflows.
TEST(Cipher, EveryCharacterShiftsByItsCode) {
    for (int unit = 0; unit <= 0xFFFF; ++unit) {
        const auto found = std::ranges::find(kCodePage, char16_t(unit));
        for (const int shift : {-3, 3}) {
            const int code = int(found - kCodePage.begin()) + shift;
            const bool refused = found == kCodePage.end() || code < 0 || code > 255;
            std::u16string expected = refused ? u"refused" : u"";
            if (!refused && kCodePage[code] != u' ') {
                expected = kCodePage[code];
            }
            std::u16string text(1, char16_t(unit));
            try {
                text = shift < 0 ? EncryptString(text) : DecipherString(text);
            } catch (const CipherError& error) {
                text = error.kind() == Kind::InvalidArgument && error.position() == 1 ? u"refused"
                                                                                      : u"?";
            }
            ASSERT_EQ(text, expected) << unit << " " << shift;
        }
    }
    const std::u16string all(kCodePage.begin() + 3, kCodePage.end() - 3);
    EXPECT_EQ(DecipherString(EncryptString(all)), all);
    try { // a text too long for 16 bits: what is said of it is up to the commands' table
        EncryptString(std::u16string(32767, u'a'));
    } catch (const CipherError& error) {
        EXPECT_EQ(error.kind(), Kind::Overflow);
    }
}

struct FakeBox : TextBox {
    explicit FakeBox(std::u16string text) : held(std::move(text)) {}
    std::u16string held;
    std::u16string text() const override { return held; }
    void setText(const std::u16string& text) override { held = text; }
};

// What a click shows, or says when it refuses: the first offender named where the user typed it,
// or the text's length; no box is written then. Either way the input boxes keep what they held.
TEST(Commands, ShowTheResultOrSayWhyNot) {
    // Encrypting or not, the input, the result box after the click, and what is said, if anything.
    const std::tuple<bool, std::u16string, std::u16string, std::u16string> clicks[] = {
        {true, u"ab\u0416", u"kept",
         u"Cannot encrypt the character \"\u0416\" (U+0416) at position 3: it is not in the "
         u"Windows-1252 character set that Kestrune works with. Remove or replace it and try "
         u"again."},
        {false, u"a\U0001F600", u"kept",
         u"decrypt the character \"\U0001F600\" (U+1F600) at "
         u"position 2:"},
        {true, std::u16string(122, u'z') + u'\xDC00', u"kept",
         u"the unpaired surrogate U+DC00 at position 123:"},
        {true, u"abcd\u0001\u0416", u"kept",
         u"Cannot encrypt the control character U+0001 at position 5: its code, 1, shifted down "
         u"by 3 would fall below 0. Remove or replace it and try again."},
        {true, u"a\u0085", u"kept", // a C1 control outside the code page, named by its code only
         u"Cannot encrypt the control character U+0085 at position 2: it is not in the"},
        {false, u"xy\u00FD", u"kept",
         u"U+00FD) at position 3: its code, 253, shifted up by 3 would fall above 255."},
        {true, std::u16string(32767, u'a'), u"kept",
         u"Cannot encrypt a text of 32,767 characters: the longest text Kestrune can encrypt is "
         u"32,766 characters. Shorten it and try again."},
        {false, std::u16string(32766, u'a') + u'\u00FF', u"kept", u"at position 32,767: its code"},
        {false, u'\u00FF' + std::u16string(1234566, u'a'), u"kept", // before any character
         u"decrypt a text of 1,234,567 characters: the longest text Kestrune can decrypt is"},
        {true, u"ok\u0003", u"kept",
         u"Cannot show the result: the character at position 3 would become the null character "
         u"U+0000, which a text box can neither show nor copy whole. The result box is unchanged."},
        {true, u"##\u0003a", u"kept", u"at position 3 would"}, // as typed, before the trimming
        {true, std::u16string(1233, u'a') + u'\u0003', u"kept", u"at position 1,234 would"},
        {true, u"", u"", u""},
        {false, u"\u20AC\u0003", u"\u0192\u0006", u""},
        {false, u"\u001Da\u001Db\u001D\u001D", u"d e", u""}, // spaces from both ends only
    };
    for (const auto& [encrypting, typed, shown, says] : clicks) {
        FakeBox input(typed), other(u"other"), result(u"kept");
        frmMain window(encrypting ? input : other, encrypting ? other : input, result);
        std::u16string said;
        try {
            encrypting ? window.cmdEncrypt_Click() : window.cmdDecrypt_Click();
        } catch (const runtime::Error& error) {
            said = error.message();
        }
        EXPECT_TRUE(said.find(says) != said.npos && says.empty() == said.empty())
            << testing::PrintToString(said);
        EXPECT_EQ(result.held, shown);
        EXPECT_EQ(input.held + other.held, typed + u"other");
    }
}

// Anything but an Error is reported in general words; with no reporter that works, standard error
// has it, here in the C locale, which has no Cyrillic.
TEST(Dispatch, ReportsAnythingThrownAndSurvivesAFailingReporter) {
    std::u16string reported;
    runtime::setErrorReporter([&](const std::u16string& m) { reported += m + u"|"; });
    runtime::dispatchCommand([] { throw std::runtime_error("internal detail"); });
    runtime::dispatchCommand([] { throw 42; });
    EXPECT_EQ(reported, u"The command stopped because of an unexpected error. Nothing was "
                        u"changed.|The command stopped because of an unexpected error. Nothing "
                        u"was changed.|");
    runtime::setErrorReporter([](const std::u16string&) { throw std::logic_error("no display"); });
    std::setlocale(LC_ALL, "C");
    testing::internal::CaptureStderr();
    runtime::dispatchCommand([] { throw runtime::Error(u"x \u0416!"); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Kestrune: x ?!\n");
}

// Each control's role and name as a screen reader reads them, the order Tab takes them in, the
// frame: fixed in size, without minimise and maximise buttons, every icon image; and, the layout
// being fixed in pixels, text of 8 points at 96 DPI whatever the desktop's font size.
TEST(Window, ScreenReadersNameEveryControl) {
    const QFont desktop = QApplication::font();
    QApplication::setFont(QFont(desktop.family(), 16));
    MainWindow window;
    QApplication::setFont(desktop);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<std::pair<QAccessible::Role, QString>> read;
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&window);
    for (int i = -1; i < frame->childCount(); ++i) {
        QAccessibleInterface* node = i < 0 ? frame : frame->child(i);
        read.emplace_back(node->role(), node->text(QAccessible::Name));
    }
    using enum QAccessible::Role;
    const decltype(read) expected = {{Window, "Kestrune"},     {EditableText, "Text to encrypt"},
                                     {Button, "Encrypt"},      {EditableText, "Text to decrypt"},
                                     {Button, "Decrypt"},      {StaticText, "Result:"},
                                     {EditableText, "Result"}, {Button, "Quit"},
                                     {Separator, ""},          {Separator, ""},
                                     {Separator, ""}};
    EXPECT_EQ(read, expected);
    QStringList tabOrder;
    for (QWidget* at = window.nextInFocusChain(); at != &window; at = at->nextInFocusChain()) {
        tabOrder << ((at->focusPolicy() & Qt::TabFocus) ? at->objectName() : QString());
    }
    tabOrder.removeAll(QString());
    EXPECT_EQ(tabOrder, QStringList({"txtEncrypt", "cmdEncrypt", "txtDecrypt", "cmdDecrypt",
                                     "txtResult", "cmdQuit"}));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
              Qt::WindowCloseButtonHint);
    EXPECT_EQ(window.windowIcon().availableSizes(),
              (QList<QSize>{{16, 16}, {16, 16}, {32, 32}, {32, 32}, {48, 48}, {48, 48}}));
    for (QWidget* control : window.findChildren<QWidget*>()) {
        EXPECT_EQ(control->fontInfo().pixelSize(), 11) << control->objectName().toStdString();
    }
}

// A refusal shows whole in a message box titled Kestrune, over the window; Quit ends the program.
TEST(Window, RefusalsShowInAMessageBoxOverTheWindowAndQuitEnds) {
    MainWindow window;
    installMessageBoxReporter(&window);
    QString shown;
    QTimer::singleShot(0, &window, [&] {
        auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(message, nullptr);
        shown = message->windowTitle() + ": " + message->text();
        EXPECT_EQ(message->parentWidget(), &window);
        message->accept();
    });
    window.findChild<QLineEdit*>("txtEncrypt")->setText(QString::fromUtf16(u"\u0416"));
    window.findChild<QPushButton*>("cmdEncrypt")->click();
    EXPECT_TRUE(shown.startsWith(QString::fromUtf16(u"Kestrune: Cannot encrypt the character "
                                                    u"\"\u0416\" (U+0416) at position 1:")))
        << shown.toStdString();
    static int ends = 0;
    runtime::setEndHandler([] { ++ends; });
    window.findChild<QPushButton*>("cmdQuit")->click();
    EXPECT_EQ(ends, 1);
}

} // namespace
} // namespace kestrune

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
