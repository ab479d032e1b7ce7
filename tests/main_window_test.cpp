// The window on Qt's offscreen platform; screenshots stay in the build folder to look at.

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
    // Places are the screen reader test's; here the colours, and lines one pixel thick.
    const QColor back(35, 71, 92), box(64, 64, 64), black(Qt::black);
    const QColor line = QApplication::palette().color(QPalette::WindowText);
    for (const auto& [x, y, colour] :
         std::initializer_list<std::tuple<int, int, QColor>>{{2, 2, back},
                                                             {150, 12, box},
                                                             {80, 56, black},
                                                             {80, 55, back},
                                                             {80, 57, back},
                                                             {8, 112, line},
                                                             {167, 160, line}}) {
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
}

// Qt cuts a paste at 32,767 characters unless told otherwise; refused, it shows over the window.
TEST_F(Window, AHugePasteArrivesWholeAndItsRefusalShowsInAMessageBox) {
    const QString huge(40000, u'x');
    QApplication::clipboard()->setText(huge);
    QTest::keyClick(box("txtDecrypt"), Qt::Key_V, Qt::ControlModifier);
    installMessageBoxReporter(&window);
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = message->windowTitle() + ": " + message->text();
            message->accept();
        }
    });
    click("cmdDecrypt");
    EXPECT_TRUE(shown.startsWith("Kestrune: ") && shown.contains("40,000")) << shown.toStdString();
    EXPECT_EQ(box("txtDecrypt")->text(), huge);
}

// Each control's role, name, place and label as a screen reader reads them.
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

// The layout is fixed in pixels: whatever the desktop's font size, captions and a line of text fit.
TEST(WindowText, FitsAtEveryDesktopFontSize) {
    const QFont desktop = QApplication::font();
    for (const int points : {9, 11, 14}) {
        QApplication::setFont(QFont(desktop.family(), points));
        MainWindow window;
        window.show();
        for (QWidget* control : window.findChildren<QWidget*>()) {
            QRect inside = control->contentsRect(); // a label's room for its text
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                QStyleOptionButton option;
                option.initFrom(button);
                inside =
                    button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
                box->setText(QStringLiteral("Quick, jumpy gq"));
                QStyleOptionFrame option;
                option.initFrom(box);
                option.lineWidth =
                    box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
                inside = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
            } else if (!qobject_cast<QLabel*>(control)) {
                continue; // the lines
            }
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
