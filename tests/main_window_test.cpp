// The window on Qt's offscreen platform, driven with Qt Test's simulated input.

#include <gtest/gtest.h>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "main_window/qt/main_window.h"
#include "shell/qt/message_box_reporter.h"
#include "runtime/program.h"

namespace kestrune {
namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        previousReporter = runtime::setErrorReporter(
            [this](const std::string& message) { reports.push_back(message); });
        previousEnd = runtime::setEndHandler([this] { ++ends; });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override {
        runtime::setErrorReporter(previousReporter);
        runtime::setEndHandler(previousEnd);
    }

    template <typename T> T* find(const char* name) {
        T* child = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QLineEdit* box(const char* name) { return find<QLineEdit>(name); }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    QString focusName() const {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    QColor pixel(int x, int y) { return window.grab().toImage().pixelColor(x, y); }

    MainWindow window;
    std::vector<std::string> reports;
    int ends = 0;
    runtime::ErrorReporter previousReporter;
    runtime::EndHandler previousEnd;
};

TEST_F(Window, ControlsSitAtTheirPlaces) {
    struct Place {
        const char* name;
        const char* className;
        QRect rect;
    };
    const std::vector<Place> places = {
        {"txtEncrypt", "QLineEdit", {8, 8, 161, 19}},
        {"cmdEncrypt", "QPushButton", {8, 32, 161, 17}},
        {"Line1", "QWidget", {8, 56, 160, 1}},
        {"txtDecrypt", "QLineEdit", {8, 64, 161, 19}},
        {"cmdDecrypt", "QPushButton", {8, 88, 161, 17}},
        {"Line2", "QWidget", {8, 112, 160, 1}},
        {"Label", "QLabel", {8, 120, 41, 17}},
        {"txtResult", "QLineEdit", {8, 136, 161, 19}},
        {"Line3", "QWidget", {8, 160, 160, 1}},
        {"cmdQuit", "QPushButton", {8, 168, 161, 25}},
    };
    for (const Place& p : places) {
        QWidget* widget = find<QWidget>(p.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(p.className)) << p.name;
        EXPECT_EQ(widget->geometry(), p.rect) << p.name;
    }
    EXPECT_EQ(window.objectName(), "frmMain");
    EXPECT_EQ(window.windowTitle(), "Kestrune");
    EXPECT_EQ(find<QLabel>("Label")->text(), "Result:");
    EXPECT_EQ(button("cmdEncrypt")->text(), "Encrypt");
    EXPECT_EQ(button("cmdDecrypt")->text(), "Decrypt");
    EXPECT_EQ(button("cmdQuit")->text(), "Quit");
}

TEST_F(Window, HasAFixedSizeAndNoMinimiseOrMaximiseButton) {
    EXPECT_EQ(window.size(), QSize(177, 201));
    EXPECT_EQ(window.minimumSize(), QSize(177, 201));
    EXPECT_EQ(window.maximumSize(), QSize(177, 201));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(Window, CarriesTheProgramIconAtEverySize) {
    const QIcon icon = window.windowIcon();
    for (const int size : {16, 32, 48}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        EXPECT_EQ(icon.pixmap(size).toImage().size(), QSize(size, size)) << size;
    }
    const QImage eightBit(QStringLiteral(":/icons/kestrune-16-8bit.png"));
    EXPECT_EQ(eightBit.format(), QImage::Format_Indexed8);
    EXPECT_LE(eightBit.colorCount(), 256);
}

TEST_F(Window, TextBoxesHoldAnyLengthAndButtonsAreNeverDefault) {
    for (const char* name : {"txtEncrypt", "txtDecrypt", "txtResult"}) {
        EXPECT_EQ(box(name)->maxLength(), std::numeric_limits<int>::max()) << name;
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
        EXPECT_FALSE(box(name)->isReadOnly()) << name;
        EXPECT_FALSE(box(name)->accessibleName().isEmpty()) << name;
    }
    for (const char* name : {"cmdEncrypt", "cmdDecrypt", "cmdQuit"}) {
        EXPECT_FALSE(button(name)->isDefault()) << name;
        EXPECT_FALSE(button(name)->autoDefault()) << name;
        EXPECT_FALSE(button(name)->accessibleDescription().isEmpty()) << name;
    }
}

TEST_F(Window, ColoursMatchTheDesign) {
    const QImage image = window.grab().toImage();
    const QColor windowBackground(35, 71, 92);
    const QColor boxBackground(64, 64, 64);
    const QColor lineDefault = QApplication::palette().color(QPalette::WindowText);
    EXPECT_EQ(image.pixelColor(2, 2), windowBackground);
    EXPECT_EQ(image.pixelColor(172, 196), windowBackground);
    for (const int y : {17, 73, 145}) { // inside each empty text box, right of any cursor
        EXPECT_EQ(image.pixelColor(150, y), boxBackground) << y;
    }
    EXPECT_EQ(box("txtEncrypt")->palette().color(QPalette::Text), QColor(Qt::white));

    struct Line {
        int y;
        QColor colour;
    };
    for (const Line& line : {Line{56, Qt::black}, Line{112, lineDefault}, Line{160, lineDefault}}) {
        for (const int x : {8, 80, 167}) {
            EXPECT_EQ(image.pixelColor(x, line.y), line.colour) << x << "," << line.y;
        }
        EXPECT_EQ(image.pixelColor(7, line.y), windowBackground) << line.y;
        EXPECT_EQ(image.pixelColor(168, line.y), windowBackground) << line.y;
        EXPECT_EQ(image.pixelColor(80, line.y - 1), windowBackground) << line.y;
        EXPECT_EQ(image.pixelColor(80, line.y + 1), windowBackground) << line.y;
    }

    // The label: its text is drawn in light grey on the window's colour.
    const QImage label = find<QLabel>("Label")->grab().toImage();
    int brightest = 0;
    for (int y = 0; y < label.height(); ++y) {
        for (int x = 0; x < label.width(); ++x) {
            brightest = std::max(brightest, label.pixelColor(x, y).red());
        }
    }
    EXPECT_EQ(brightest, 224);
    EXPECT_EQ(label.pixelColor(label.width() - 1, 0), windowBackground);

    // Row 136 belongs to both; the result box is drawn over the label.
    const QImage result = box("txtResult")->grab().toImage();
    for (const int x : {8, 20, 40}) {
        EXPECT_EQ(image.pixelColor(x, 136), result.pixelColor(x - 8, 0)) << x;
    }
}

TEST_F(Window, TabWalksTheControlsInOrderAndWraps) {
    EXPECT_EQ(focusName(), "txtEncrypt");
    const QStringList order = {"cmdEncrypt", "txtDecrypt", "cmdDecrypt", "txtResult",
                               "cmdQuit",    "txtEncrypt", "cmdEncrypt"};
    for (const QString& expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusName(), expected);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(focusName(), "txtEncrypt");
    EXPECT_EQ(find<QLabel>("Label")->focusPolicy(), Qt::NoFocus);
}

TEST_F(Window, EnterInATextBoxRunsNothing) {
    for (const char* name : {"txtEncrypt", "txtDecrypt", "txtResult"}) {
        box(name)->setText("abc");
        box(name)->setFocus();
        QTest::keyClick(box(name), Qt::Key_Return);
        QTest::keyClick(box(name), Qt::Key_Enter);
    }
    EXPECT_EQ(box("txtResult")->text(), "abc");
    EXPECT_EQ(ends, 0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Window, SpaceOnAFocusedButtonClicksIt) {
    QTest::keyClicks(box("txtEncrypt"), "Hello");
    button("cmdEncrypt")->setFocus();
    QTest::keyClick(button("cmdEncrypt"), Qt::Key_Space);
    EXPECT_EQ(box("txtResult")->text(), "Ebiil");

    button("cmdQuit")->setFocus();
    QTest::keyClick(button("cmdQuit"), Qt::Key_Space);
    EXPECT_EQ(ends, 1);
}

TEST_F(Window, ClicksRunTheCommandsAndNeverTouchTheInputs) {
    QTest::keyClicks(box("txtEncrypt"), "Hello, World!");
    box("txtDecrypt")->setText("Ebiil");
    QTest::mouseClick(button("cmdEncrypt"), Qt::LeftButton);
    EXPECT_EQ(box("txtResult")->text(), QString::fromUtf16(u"Ebiil)\u001DTloia\u001E"));
    QTest::mouseClick(button("cmdDecrypt"), Qt::LeftButton);
    EXPECT_EQ(box("txtResult")->text(), "Hello");
    EXPECT_EQ(box("txtEncrypt")->text(), "Hello, World!");
    EXPECT_EQ(box("txtDecrypt")->text(), "Ebiil");
    EXPECT_TRUE(reports.empty());

    QTest::mouseClick(button("cmdQuit"), Qt::LeftButton);
    EXPECT_EQ(ends, 1);
}

TEST_F(Window, ARefusedInputIsReportedAndChangesNothing) {
    box("txtEncrypt")->setText(QString::fromUtf16(u"ab\u0416"));
    box("txtDecrypt")->setText(QString::fromUtf16(u"\u00FF"));
    box("txtResult")->setText("kept");
    QTest::mouseClick(button("cmdEncrypt"), Qt::LeftButton);
    QTest::mouseClick(button("cmdDecrypt"), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("U+0416"), std::string::npos);
    EXPECT_NE(reports[1].find("U+00FF"), std::string::npos);
    EXPECT_EQ(box("txtResult")->text(), "kept");
    EXPECT_EQ(box("txtEncrypt")->text(), QString::fromUtf16(u"ab\u0416"));
    EXPECT_EQ(box("txtDecrypt")->text(), QString::fromUtf16(u"\u00FF"));
}

// Copy the result, paste it to decrypt, as a person would with the keyboard.
TEST_F(Window, ResultsSurviveTheClipboardWhole) {
    const std::vector<QString> texts = {
        "two words and more",
        QString::fromUtf16(u"\u0003leading code three, then \u0003 inside"),
        QString::fromUtf16(u"tab\tand\u00E9\u20AC\u0178"),
    };
    for (const QString& text : texts) {
        box("txtEncrypt")->setText(text);
        QTest::mouseClick(button("cmdEncrypt"), Qt::LeftButton);
        QLineEdit* result = box("txtResult");
        result->setFocus();
        QTest::keyClick(result, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(result, Qt::Key_C, Qt::ControlModifier);
        QLineEdit* decrypt = box("txtDecrypt");
        decrypt->clear();
        decrypt->setFocus();
        QTest::keyClick(decrypt, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(decrypt->text(), result->text());
        QTest::mouseClick(button("cmdDecrypt"), Qt::LeftButton);
        EXPECT_EQ(result->text(), text);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Window, AHugePasteArrivesWholeThenMeetsTheLengthLimit) {
    QApplication::clipboard()->setText(QString(40000, u'x'));
    box("txtDecrypt")->setFocus();
    QTest::keyClick(box("txtDecrypt"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box("txtDecrypt")->text().size(), 40000);
    box("txtResult")->setText("kept");
    QTest::mouseClick(button("cmdDecrypt"), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("40,000"), std::string::npos);
    EXPECT_EQ(box("txtResult")->text(), "kept");
}

TEST_F(Window, TheMessageBoxNamesTheFaultAndLeavesEverything) {
    installMessageBoxReporter(&window);
    box("txtEncrypt")->setText(QString::fromUtf16(u"ok \u0001"));
    box("txtResult")->setText("kept");
    QString title, text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    QTest::mouseClick(button("cmdEncrypt"), Qt::LeftButton);
    EXPECT_EQ(title, "Kestrune");
    EXPECT_TRUE(text.contains("U+0001") && text.contains("position 4")) << text.toStdString();
    EXPECT_EQ(box("txtResult")->text(), "kept");
    EXPECT_EQ(box("txtEncrypt")->text(), QString::fromUtf16(u"ok \u0001"));
}

// Saves what a person would see, at the scale this run was started with (QT_SCALE_FACTOR).
TEST_F(Window, Screenshot) {
    const QPixmap shot = window.grab();
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                            ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                            : 1.0;
    EXPECT_EQ(shot.size(), QSize(177, 201) * scale);
    EXPECT_DOUBLE_EQ(shot.devicePixelRatio(), scale);
    EXPECT_EQ(window.findChild<QWidget*>("cmdQuit")->geometry(), QRect(8, 168, 161, 25));
    const QString file =
        QDir::current().filePath(QStringLiteral("main_window-scale%1.png").arg(scale));
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
}

} // namespace
} // namespace kestrune
