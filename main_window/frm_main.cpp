#include "main_window/frm_main.h"

#include "cipher/cipher.h"
#include "runtime/program.h"
#include "runtime/text.h"

namespace kestrune {

frmMain::frmMain(TextBox& txtEncrypt, TextBox& txtDecrypt, TextBox& txtResult)
    : txtEncrypt(txtEncrypt), txtDecrypt(txtDecrypt), txtResult(txtResult) {}

void frmMain::cmdEncrypt_Click() {
    showResult(EncryptString(txtEncrypt.text()));
}

void frmMain::cmdDecrypt_Click() {
    showResult(DecipherString(txtDecrypt.text()));
}

// A Windows text box and the clipboard end their text at U+0000, so such a result could be
// neither shown nor copied whole: it is refused rather than cut, on every system alike.
void frmMain::showResult(const std::u16string& result) {
    if (const auto at = result.find(u'\0'); at != std::u16string::npos) {
        throw runtime::Error(u"Cannot show the result: it holds the null character U+0000 at "
                             u"position " +
                             runtime::withThousands(at + 1) +
                             u", which a text box can neither show nor copy whole. The result "
                             u"box is unchanged.");
    }
    txtResult.setText(result);
}

void frmMain::cmdQuit_Click() {
    runtime::endProgram();
}

} // namespace kestrune
