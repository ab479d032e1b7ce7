// Cipher speed against a plain copy of the same code units, the floor any transform pays.

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "cipher/cipher.h"
#include "runtime/code_page.h"

namespace {

constexpr std::size_t kLongest = 32766;

// Everyday English: letters, digits, punctuation and spaces.
std::u16string asciiText(std::size_t length) {
    const std::u16string sentence =
        u"The quick brown fox jumps over the lazy dog, 0123456789 times! ";
    std::u16string text;
    while (text.size() < length) {
        text += sentence;
    }
    text.resize(length);
    text.back() = u'.';
    return text;
}

// Western European prose: accented Latin-1 letters in most words, and every few dozen characters
// a curly quote, a dash, a euro sign or an ellipsis. The words are drawn by a fixed pseudo-random
// sequence, so nothing repeats at a period a branch predictor could learn.
std::u16string proseText(std::size_t length) {
    const std::u16string_view vocabulary =
        u"\u00E9t\u00E9 the garden river evening with under old we walked slowly through market "
        u"square bread wine in to caf\u00E9 was na\u00EFve \u00E0 la and cr\u00E8me "
        u"br\u00FBl\u00E9e "
        u"f\u00FCr M\u00FCller se\u00F1or of fa\u00E7ade D\u00FCrer a pi\u00F9 \u00C5se sm\u00F8r "
        u"\u2013 \u201Cvoil\u00E0\u201D l\u2019h\u00F4tel 12\u00A0\u20AC so\u2026 it\u2019s";
    std::vector<std::u16string_view> words;
    for (std::size_t at = 0, end = 0; at < vocabulary.size(); at = end + 1) {
        end = std::min(vocabulary.find(u' ', at), vocabulary.size());
        words.push_back(vocabulary.substr(at, end - at));
    }
    std::u16string text;
    std::uint32_t state = 1;
    while (text.size() < length) {
        state = state * 1664525 + 1013904223;
        text += words[(state >> 8) % words.size()];
        text += (state >> 24) % 9 == 0 ? u". " : u" ";
    }
    text.resize(length);
    text.back() = u'.';
    return text;
}

// Cycles through every code both functions accept, so a quarter of the high block is in it.
std::u16string mixedText(std::size_t length) {
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) {
        const int code =
            kestrune::CipherShift + static_cast<int>(i % (256 - 2 * kestrune::CipherShift));
        text.push_back(*kestrune::runtime::charFromAnsi(code));
    }
    return text;
}

using Clock = std::chrono::steady_clock;

double median(std::vector<double>& times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

using Shift = std::function<std::u16string(const std::u16string&)>;

// Each iteration times the clock alone, a copy of the text and of its first half, and the shift of
// both, so that all run at the machine's pace of the moment, which drifts on shared hardware; and
// in an order drawn anew, so that none always finds the caches as one other step leaves them.
// Reported, from the medians, which an interrupt in one iteration does not move: the shift against
// the copy, and the whole text against its half, whose growth should be linear, beside the copy's.
void run(benchmark::State& state, const std::u16string& text, const Shift& shift) {
    const std::u16string half = text.substr(0, text.size() / 2);
    enum Step { kClock, kCopy, kCopyHalf, kWhole, kHalf, kSteps };
    const std::array<std::function<std::u16string()>, kSteps> make{
        [] { return std::u16string(); }, [&] { return text; },        [&] { return half; },
        [&] { return shift(text); },     [&] { return shift(half); },
    };
    std::array<std::vector<double>, kSteps> times;
    std::array<std::size_t, kSteps> order;
    std::iota(order.begin(), order.end(), 0);
    std::minstd_rand random;
    for (auto _ : state) {
        std::shuffle(order.begin(), order.end(), random);
        // Each string is gone before the next is made: with several alive, glibc would hand memory
        // back to the system and take it again, page faults and all, on every iteration.
        for (const std::size_t step : order) {
            benchmark::DoNotOptimize(
                make[step]().data()); // untimed, to warm its caches and branches
            const auto start = Clock::now();
            benchmark::DoNotOptimize(make[step]().data());
            times[step].push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        state.SetIterationTime(times[kWhole].back());
    }
    const double clock = median(times[kClock]);
    const auto net = [&](Step step) {
        return median(times[step]) - clock;
    };
    state.counters["vs_copy"] = net(kWhole) / net(kCopy);
    state.counters["growth"] = net(kWhole) / net(kHalf);
    state.counters["copy_growth"] = net(kCopy) / net(kCopyHalf);
}

} // namespace

// Every text both ways as the program shifts it, and then through each kernel this processor runs,
// widest first, for comparison.
int main(int argc, char** argv) {
    using namespace kestrune;
    // Each text is its first half twice, so that the growth from half to whole measures the cipher
    // rather than a difference between the halves' characters.
    const auto twice = [](const std::u16string& half) {
        return half + half;
    };
    static const std::pair<const char*, std::u16string> texts[] = {
        {"Ascii", twice(asciiText(kLongest / 2))},
        {"Prose", twice(proseText(kLongest / 2))},
        {"Mixed", twice(mixedText(kLongest / 2))}};
    std::vector<std::tuple<std::string, Shift, Shift>> ways{
        {"Kestrune", EncryptString, DecipherString}};
    for (const auto& [way, encrypt, decipher] : ways) {
        for (const auto& [name, text] : texts) {
            for (const auto& [verb, shift] :
                 {std::pair{"Encrypt", &encrypt}, {"Decipher", &decipher}}) {
                benchmark::RegisterBenchmark((way + "/" + verb + name).c_str(), run, text, *shift)
                    ->UseManualTime();
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
