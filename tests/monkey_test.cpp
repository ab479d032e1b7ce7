// Random use of the real window: typing, pasting anything at all, clicking the buttons and the
// space around them, tabbing. After every action the boxes must hold exactly what a model of the
// window predicts. The seed is printed; KESTRUNE_MONKEY_SEED replays a run.

#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <random>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "cipher/cipher.h"
#include "main_window/qt/main_window.h"
#include "runtime/code_page.h"
#include "runtime/program.h"

namespace kestrune {
namespace {

constexpr int kActions = 10000;

std::uint32_t chooseSeed() {
    const QByteArray fixed = qgetenv("KESTRUNE_MONKEY_SEED");
    return fixed.isEmpty() ? 20261206u : fixed.toUInt();
}

class Monkey {
public:
    explicit Monkey(std::uint32_t seed) : random(seed) {
        previousReporter = runtime::setErrorReporter([this](const std::string&) { ++reports; });
        previousEnd = runtime::setEndHandler([this] { ++ends; });
        window.show();
        QApplication::setActiveWindow(&window);
        boxes = {box("txtEncrypt"), box("txtDecrypt"), box("txtResult")};
        buttons = {button("cmdEncrypt"), button("cmdDecrypt"), button("cmdQuit")};
    }
    ~Monkey() {
        runtime::setErrorReporter(previousReporter);
        runtime::setEndHandler(previousEnd);
    }

    // One random action; returns its description for the failure message.
    std::string act() {
        const int roll = pick(0, 99);
        if (roll < 30) {
            return type();
        }
        if (roll < 55) {
            return paste();
        }
        if (roll < 90) {
            return click();
        }
        QTest::keyClick(QApplication::focusWidget(), roll < 95 ? Qt::Key_Tab : Qt::Key_Backtab);
        return "tab";
    }

    void summarise() const {
        std::cout << "commands refused " << reports << ", quits " << ends << "\n";
    }

    void check(const std::string& action, int step) {
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(boxes[i]->text(), expected[i])
                << "step " << step << ", " << action << ", box " << i;
        }
        ASSERT_EQ(reports, expectedReports) << "step " << step << ", " << action;
        ASSERT_EQ(ends, expectedEnds) << "step " << step << ", " << action;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    QLineEdit* box(const char* name) { return window.findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }

    std::string type() {
        const int target = pick(0, 2);
        QString text;
        for (int n = pick(1, 12); n > 0; --n) {
            text += QChar(static_cast<char16_t>(pick(0x20, 0x7E)));
        }
        QTest::keyClick(boxes[target], Qt::Key_End);
        QTest::keyClicks(boxes[target], text);
        expected[target] += text;
        return "type into box " + std::to_string(target);
    }

    QString randomText() {
        const int kind = pick(0, 199);
        int length = pick(0, 24);
        QString text;
        if (kind == 0) { // around the length limits
            length = std::vector<int>{32766, 32767, 32768, 40000}[pick(0, 3)];
            text = QString(length, QChar(u'a' + pick(0, 25)));
            if (pick(0, 1)) {
                text[pick(0, length - 1)] = QChar(static_cast<char16_t>(pick(0, 2)));
            }
            return text;
        }
        for (int i = 0; i < length; ++i) {
            char16_t unit;
            switch (kind % 4) {
            case 0: // anything, surrogates included
                unit = static_cast<char16_t>(pick(0, 0xFFFF));
                break;
            case 1: // control characters, U+0000 included
                unit = static_cast<char16_t>(pick(0, 0x1F));
                break;
            default: // the code page, edges included
                unit = *runtime::charFromAnsi(pick(0, 255));
                break;
            }
            text += QChar(unit);
        }
        return text;
    }

    std::string paste() {
        const int target = pick(0, 2);
        const QString text = randomText();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(boxes[target], Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(boxes[target], Qt::Key_V, Qt::ControlModifier);
        expected[target] = text;
        return "paste " + std::to_string(text.size()) + " units into box " + std::to_string(target);
    }

    // A point on a button or just around it; only points inside the button press it.
    std::string click() {
        const int target = pick(0, 2);
        const QRect area = buttons[target]->geometry().adjusted(-4, -4, 4, 4);
        const QPoint point(pick(area.left(), area.right()), pick(area.top(), area.bottom()));
        QWidget* under = window.childAt(point);
        if (under == nullptr) {
            under = &window;
        }
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(&window, point));
        if (under == buttons[target]) {
            press(target);
        } else if (auto* pressed = qobject_cast<QPushButton*>(under)) {
            press(static_cast<int>(std::find(buttons.begin(), buttons.end(), pressed) -
                                   buttons.begin()));
        }
        return "click at " + std::to_string(point.x()) + "," + std::to_string(point.y());
    }

    void press(int button) {
        if (button == 2) {
            ++expectedEnds;
            return;
        }
        const std::u16string input = expected[button].toStdU16String();
        try {
            const std::u16string out = button == 0 ? EncryptString(input) : DecipherString(input);
            expected[2] = QString::fromStdU16String(out);
        } catch (const CipherError&) {
            ++expectedReports;
        }
    }

    std::mt19937 random;
    MainWindow window;
    std::array<QLineEdit*, 3> boxes{};
    std::array<QPushButton*, 3> buttons{};
    std::array<QString, 3> expected;
    int reports = 0;
    int ends = 0;
    int expectedReports = 0;
    int expectedEnds = 0;
    runtime::ErrorReporter previousReporter;
    runtime::EndHandler previousEnd;
};

TEST(Monkey, TenThousandRandomActionsLoseNothing) {
    const std::uint32_t seed = chooseSeed();
    std::cout << "monkey seed " << seed << " (replay with KESTRUNE_MONKEY_SEED=" << seed << ")\n";
    RecordProperty("seed", std::to_string(seed));
    Monkey monkey(seed);
    for (int step = 0; step < kActions; ++step) {
        const std::string action = monkey.act();
        monkey.check(action, step);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
    monkey.summarise();
}

} // namespace
} // namespace kestrune
