// Cipher throughput against a plain copy of the same code units, the floor any transform pays.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>
#include <string_view>
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

template <std::u16string (*Transform)(const std::u16string&)>
void run(benchmark::State& state, const std::u16string& text) {
    for (auto _ : state) {
        std::u16string out = Transform(text);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

std::u16string copyOf(const std::u16string& text) {
    return text;
}

void BM_Copy(benchmark::State& state) {
    run<copyOf>(state, asciiText(static_cast<std::size_t>(state.range(0))));
}
void BM_EncryptAscii(benchmark::State& state) {
    run<kestrune::EncryptString>(state, asciiText(static_cast<std::size_t>(state.range(0))));
}
void BM_DecipherAscii(benchmark::State& state) {
    run<kestrune::DecipherString>(state, asciiText(static_cast<std::size_t>(state.range(0))));
}
void BM_EncryptProse(benchmark::State& state) {
    run<kestrune::EncryptString>(state, proseText(static_cast<std::size_t>(state.range(0))));
}
void BM_DecipherProse(benchmark::State& state) {
    run<kestrune::DecipherString>(state, proseText(static_cast<std::size_t>(state.range(0))));
}
void BM_EncryptMixed(benchmark::State& state) {
    run<kestrune::EncryptString>(state, mixedText(static_cast<std::size_t>(state.range(0))));
}
void BM_DecipherMixed(benchmark::State& state) {
    run<kestrune::DecipherString>(state, mixedText(static_cast<std::size_t>(state.range(0))));
}

BENCHMARK(BM_Copy)->Arg(kLongest);
BENCHMARK(BM_EncryptAscii)->Arg(kLongest)->Arg(kLongest / 2);
BENCHMARK(BM_DecipherAscii)->Arg(kLongest)->Arg(kLongest / 2);
BENCHMARK(BM_EncryptProse)->Arg(kLongest)->Arg(kLongest / 2);
BENCHMARK(BM_DecipherProse)->Arg(kLongest)->Arg(kLongest / 2);
BENCHMARK(BM_EncryptMixed)->Arg(kLongest)->Arg(kLongest / 2);
BENCHMARK(BM_DecipherMixed)->Arg(kLongest)->Arg(kLongest / 2);

} // namespace

BENCHMARK_MAIN();
