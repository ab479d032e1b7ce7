#include "main_window/frm_main.h"

#include "cipher/cipher.h"
#include "runtime/program.h"

namespace kestrune {

frmMain::frmMain(TextBox& txtEncrypt, TextBox& txtDecrypt, TextBox& txtResult)
    : txtEncrypt(txtEncrypt), txtDecrypt(txtDecrypt), txtResult(txtResult) {}

void frmMain::cmdEncrypt_Click() {
    txtResult.setText(EncryptString(txtEncrypt.text()));
}

void frmMain::cmdDecrypt_Click() {
    txtResult.setText(DecipherString(txtDecrypt.text()));
}

void frmMain::cmdQuit_Click() {
    runtime::endProgram();
}

} // namespace kestrune
