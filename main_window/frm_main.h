#pragma once

#include <string>

#include "main_window/text_box.h"

namespace kestrune {

// The main window's commands, free of any toolkit: they see the window's text boxes only through
// TextBox. None catches anything; an error leaves txtResult as it was.
class frmMain {
public:
    frmMain(TextBox& txtEncrypt, TextBox& txtDecrypt, TextBox& txtResult);

    void cmdEncrypt_Click();
    void cmdDecrypt_Click();
    void cmdQuit_Click();

private:
    using Transform = std::u16string(const std::u16string&);
    void showResult(const std::u16string& typed, Transform& transform);

    TextBox& txtEncrypt;
    TextBox& txtDecrypt;
    TextBox& txtResult;
};

} // namespace kestrune
