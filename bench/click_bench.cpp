// The click on Encrypt with the longest text of prose against setting and painting its result
// alone, interleaved, in the program's window on Qt's offscreen platform; repaint() paints at once,
// as the event loop would. Prints the medians of processor time (ms) and of the ratios, as JSON.

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <time.h>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "cipher/cipher.h"
#include "main_window/qt/main_window.h"

namespace {

// Western European prose in Windows-1252 (accents, curly quotes, dashes, euro signs, ellipses),
// words in a fixed pseudo-random order, so nothing repeats at a period a branch predictor learns:
// each word is the one around a random place in the vocabulary.
std::u16string proseText(std::size_t length) {
    const std::u16string_view vocabulary =
        u"\u00E9t\u00E9 the garden river evening with under old we walked slowly through market "
        u"square bread wine in to caf\u00E9 was na\u00EFve \u00E0 la and cr\u00E8me "
        u"br\u00FBl\u00E9e f\u00FCr M\u00FCller se\u00F1or of fa\u00E7ade D\u00FCrer a pi\u00F9 "
        u"\u00C5se sm\u00F8r \u2013 \u201Cvoil\u00E0\u201D l\u2019h\u00F4tel 12\u00A0\u20AC "
        u"so\u2026 it\u2019s";
    std::u16string text;
    std::minstd_rand random;
    while (text.size() < length) {
        const std::size_t start = vocabulary.rfind(u' ', random() % vocabulary.size()) + 1;
        text += vocabulary.substr(start, vocabulary.find(u' ', start) - start);
        text += random() % 9 == 0 ? u". " : u" ";
    }
    text.resize(length);
    text.back() = u'.';
    return text;
}

// Processor time, not the wall clock, which on a shared machine counts other processes' slices.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kestrune::MainWindow window;
    window.show();
    QApplication::processEvents();
    auto* input = window.findChild<QLineEdit*>(QStringLiteral("txtEncrypt"));
    auto* result = window.findChild<QLineEdit*>(QStringLiteral("txtResult"));
    auto* encrypt = window.findChild<QPushButton*>(QStringLiteral("cmdEncrypt"));

    const std::u16string prose = proseText(32766);
    input->setText(QString::fromStdU16String(prose));
    const std::u16string result16 = kestrune::EncryptString(prose);
    const QString encrypted = QString::fromStdU16String(result16);

    // Each step starts from an empty, painted result box, so that both lay out and paint anew.
    enum Step { kClick, kSet };
    const std::array<std::function<void()>, 2> steps{
        [&] { encrypt->click(), result->repaint(); },
        [&] { result->setText(QString::fromStdU16String(result16)), result->repaint(); },
    };
    std::array<std::vector<double>, 2> times;
    std::array<int, 2> order{kClick, kSet};
    std::minstd_rand random;
    constexpr int kWarmUp = 10, kRounds = 200;
    for (int round = 0; round < kWarmUp + kRounds; ++round) {
        std::shuffle(order.begin(), order.end(), random);
        for (const int step : order) {
            result->setText(QString());
            result->repaint();
            const double start = threadMilliseconds();
            steps[step]();
            const double took = threadMilliseconds() - start;
            if (result->text() != encrypted) {
                std::fprintf(stderr, "click_bench: the click did not show the result\n");
                return 1;
            }
            if (round >= kWarmUp) {
                times[step].push_back(took);
            }
        }
    }
    // Per round, as the pace of shared hardware drifts between rounds; then the median.
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        ratios.push_back(times[kClick][round] / times[kSet][round]);
    }
    std::printf("{\"click_ms\": %.4f, \"set_ms\": %.4f, \"ratio\": %.4f}\n", median(times[kClick]),
                median(times[kSet]), median(ratios));
    return 0;
}
