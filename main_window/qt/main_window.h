#pragma once

#include <memory>

#include <QWidget>

#include "main_window/frm_main.h"

namespace kestrune {

class LineEditTextBox;

// The window frmMain: its controls laid out at fixed places, and its buttons wired to the
// commands through the runtime's dispatch, so no exception ever reaches Qt's event loop.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

private:
    std::unique_ptr<LineEditTextBox> encryptBox;
    std::unique_ptr<LineEditTextBox> decryptBox;
    std::unique_ptr<LineEditTextBox> resultBox;
    std::unique_ptr<frmMain> commands;
};

} // namespace kestrune
