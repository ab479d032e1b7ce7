// The window on Qt's offscreen platform; screenshots stay in the build folder to look at.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "main_window/qt/main_window.h"
#include "shell/qt/message_box_reporter.h"

namespace kestrune {
namespace {

// Each control's role, name, place and label as a screen reader reads them, the order Tab takes
// them in, and the frame: fixed in size, without minimise and maximise buttons, every icon image.
TEST(Window, ScreenReadersNameEveryControl) {
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<std::tuple<QAccessible::Role, QString, QString, QRect>> read;
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&window);
    for (int i = -1; i < frame->childCount(); ++i) {
        QAccessibleInterface* node = i < 0 ? frame : frame->child(i);
        QString labels;
        for (const auto& [other, how] :
             node->relations(QAccessible::Label | QAccessible::Labelled)) {
            labels += (how == QAccessible::Label ? "by " : "for ") + other->text(QAccessible::Name);
        }
        read.emplace_back(node->role(), node->text(QAccessible::Name), labels,
                          node->rect().translated(-window.mapToGlobal(QPoint())));
    }
    using enum QAccessible::Role;
    // clang-format off
    const decltype(read) expected = {
        {Window, "Kestrune", "", {0, 0, 177, 201}},
        {EditableText, "Text to encrypt", "", {8, 8, 161, 19}},
        {Button, "Encrypt", "", {8, 32, 161, 17}},
        {EditableText, "Text to decrypt", "", {8, 64, 161, 19}},
        {Button, "Decrypt", "", {8, 88, 161, 17}},
        {StaticText, "Result:", "for Result", {8, 120, 41, 17}},
        {EditableText, "Result", "by Result:", {8, 136, 161, 19}},
        {Button, "Quit", "", {8, 168, 161, 25}},
        {Separator, "", "", {8, 56, 160, 1}},
        {Separator, "", "", {8, 112, 160, 1}},
        {Separator, "", "", {8, 160, 160, 1}}};
    // clang-format on
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
}

// A refusal shows whole in a message box titled Kestrune, over the window.
TEST(Window, RefusalsShowInAMessageBoxOverTheWindow) {
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
}

// The layout is fixed in pixels, so its text keeps its size, 8 points at 96 DPI, whatever the
// desktop's font size.
TEST(WindowText, KeepsItsSizeWhateverTheDesktopFont) {
    const QFont desktop = QApplication::font();
    QApplication::setFont(QFont(desktop.family(), 16));
    MainWindow window;
    QApplication::setFont(desktop);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        EXPECT_EQ(control->fontInfo().pixelSize(), 11) << control->objectName().toStdString();
    }
}

} // namespace
} // namespace kestrune

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
