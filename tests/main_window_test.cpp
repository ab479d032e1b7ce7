// The window on Qt's offscreen platform, as a person sees and uses it. The pixel test runs again
// at scale 2 (QT_SCALE_FACTOR); both screenshots stay in the build folder to look at.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>

#include "main_window/qt/main_window.h"
#include "runtime/program.h"
#include "shell/qt/message_box_reporter.h"

namespace kestrune {
namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::setErrorReporter([this](const std::u16string& m) { reports.push_back(m); });
        runtime::setEndHandler([this] { ++ends; });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QWidget* find(const char* name) { return window.findChild<QWidget*>(name); }
    QLineEdit* box(const char* name) { return window.findChild<QLineEdit*>(name); }
    void click(const char* name) { QTest::mouseClick(find(name), Qt::LeftButton); }

    MainWindow window;
    std::vector<std::u16string> reports;
    int ends = 0;
};

TEST_F(Window, PixelsAtTheirPlaces) {
    const QPixmap shot = window.grab();
    const qreal scale = shot.devicePixelRatio();
    shot.save(QStringLiteral("main_window-scale%1.png").arg(scale));
    const QImage image = shot.toImage();
    ASSERT_EQ(image.size(), QSize(177, 201) * scale);
    // Where the geometry does not show it: the colours, and lines one pixel thick.
    const QColor back(35, 71, 92), box(64, 64, 64), black(Qt::black);
    const QColor line = QApplication::palette().color(QPalette::WindowText);
    // clang-format off
    for (const auto& [x, y, colour] : std::initializer_list<std::tuple<int, int, QColor>>{
             {2, 2, back}, {150, 12, box}, {150, 73, box}, {150, 145, box}, {8, 56, black},
             {167, 56, black}, {80, 55, back}, {80, 57, back}, {8, 112, line}, {167, 160, line}}) {
        // clang-format on
        EXPECT_EQ(image.pixelColor(x * scale, y * scale).name(), colour.name()) << x << "," << y;
    }
    // The result box is drawn over the label's last row; the end-to-end tests check its grey.
    EXPECT_NE(image.pixelColor(20 * scale, 136 * scale), back);

    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
              Qt::WindowCloseButtonHint);
    EXPECT_EQ(window.windowIcon().availableSizes(),
              (QList<QSize>{{16, 16}, {16, 16}, {32, 32}, {32, 32}, {48, 48}, {48, 48}}));
}

TEST_F(Window, TabOrderWrapsAndOnlyButtonsRunCommands) {
    for (const char* name : {"txtEncrypt", "cmdEncrypt", "txtDecrypt", "cmdDecrypt", "txtResult",
                             "cmdQuit", "txtEncrypt"}) {
        EXPECT_EQ(QApplication::focusWidget()->objectName(), name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (const char* name : {"txtResult", "txtEncrypt", "txtDecrypt"}) {
        box(name)->setText("abc");
        QTest::keyClick(box(name), Qt::Key_Return);
        QTest::keyClick(box(name), Qt::Key_Enter);
    }
    EXPECT_EQ(box("txtResult")->text(), "abc");
    EXPECT_EQ(ends + reports.size(), 0u);
    click("cmdEncrypt"); // while a click and Space run the commands
    QTest::keyClick(find("cmdQuit"), Qt::Key_Space);
    EXPECT_EQ(box("txtResult")->text().toStdString() + std::to_string(ends), "^_`1");
}

TEST_F(Window, AHugePasteArrivesWholeAndARefusalChangesNothing) {
    const QString huge(40000, u'x'), cyrillic = QString::fromUtf16(u"ab\u0416");
    QApplication::clipboard()->setText(huge);
    QTest::keyClick(box("txtDecrypt"), Qt::Key_V, Qt::ControlModifier);
    box("txtEncrypt")->setText(cyrillic);
    box("txtResult")->setText("kept");
    click("cmdDecrypt");
    click("cmdEncrypt");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find(u"40,000"), std::u16string::npos);
    EXPECT_EQ(box("txtDecrypt")->text(), huge);
    EXPECT_EQ(box("txtEncrypt")->text() + box("txtResult")->text(), cyrillic + "kept");

    // As the program shows it: a message box over the window that names the fault.
    installMessageBoxReporter(&window);
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = message->windowTitle() + ": " + message->text();
            message->accept();
        }
    });
    click("cmdEncrypt");
    EXPECT_EQ(shown.toStdU16String(), u"Kestrune: " + reports[1]);
    EXPECT_EQ(box("txtResult")->text(), "kept");
}

// As a screen reader reads the window: each control's role, name and place in order, and which
// names the result box.
TEST_F(Window, ScreenReadersNameEveryControl) {
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
}

// The layout is fixed in pixels: whatever the desktop's font size, every caption stays whole and a
// line of text fits each box. The screenshots stay in the build folder to look at.
TEST(WindowText, FitsAtEveryDesktopFontSize) {
    const QFont desktop = QApplication::font();
    for (const int points : {9, 11, 14}) {
        QApplication::setFont(QFont(desktop.family(), points));
        MainWindow window;
        window.show();
        std::vector<std::pair<QWidget*, QRect>> insides; // each control's room for its text
        for (auto* button : window.findChildren<QPushButton*>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            insides.emplace_back(button, button->style()->subElementRect(
                                             QStyle::SE_PushButtonContents, &option, button));
        }
        auto* label = window.findChild<QLabel*>();
        insides.emplace_back(label, label->contentsRect());
        for (auto* box : window.findChildren<QLineEdit*>()) {
            box->setText(QStringLiteral("Quick, jumpy gq"));
            QStyleOptionFrame option;
            option.initFrom(box);
            option.lineWidth =
                box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
            insides.emplace_back(
                box, box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box));
        }
        for (const auto& [control, inside] : insides) {
            const QString text = control->property("text").toString();
            const QSize size = control->fontMetrics().size(0, text);
            EXPECT_TRUE(size.width() <= inside.width() && size.height() <= inside.height())
                << points << " pt: \"" << text.toStdString() << "\" " << size.width() << "x"
                << size.height() << " in " << inside.width() << "x" << inside.height();
        }
        window.grab().save(QStringLiteral("main_window-%1pt.png").arg(points));
    }
    QApplication::setFont(desktop);
}

} // namespace
} // namespace kestrune

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
