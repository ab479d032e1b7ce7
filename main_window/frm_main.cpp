#include "main_window/frm_main.h"

#include "cipher/cipher.h"
#include "runtime/program.h"
#include "runtime/text.h"

namespace kestrune {

frmMain::frmMain(TextBox& txtEncrypt, TextBox& txtDecrypt, TextBox& txtResult)
    : txtEncrypt(txtEncrypt), txtDecrypt(txtDecrypt), txtResult(txtResult) {}

void frmMain::cmdEncrypt_Click() {
    showResult(txtEncrypt.text(), EncryptString);
}

void frmMain::cmdDecrypt_Click() {
    showResult(txtDecrypt.text(), DecipherString);
}

// A Windows text box and the clipboard end their text at U+0000, so such a result could be
// neither shown nor copied whole: it is refused rather than cut, on every system alike. The user
// looks for the cause in what they typed; the shift goes character by character and trimming
// drops only spaces, so the first typed character that becomes U+0000 is the one.
void frmMain::showResult(const std::u16string& typed, Transform& transform) {
    std::u16string result = transform(typed);
    if (result.find(u'\0') != std::u16string::npos) {
        std::size_t at = 0;
        while (transform(typed.substr(at, 1)) != std::u16string(1, u'\0')) {
            ++at;
        }
        throw runtime::Error(u"Cannot show the result: the character at position " +
                             runtime::withThousands(at + 1) +
                             u" would become the null character U+0000, which a text box can "
                             u"neither show nor copy whole. The result box is unchanged.");
    }
    txtResult.setText(result);
}

void frmMain::cmdQuit_Click() {
    runtime::endProgram();
}

} // namespace kestrune
