#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cuchar>
#include <utility>

#include "runtime/program.h"
#include "runtime/text.h"

namespace kestrune::runtime {

namespace {

// Ends at once: no further event reaches the window and nothing is saved, so no clean-up is owed.
void exitProcess() {
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

// In the locale's encoding, through the C library, which allocates nothing; what it cannot
// encode shows as '?'.
void writeToStandardError(const std::u16string& message) noexcept {
    std::fputs("Kestrune: ", stderr);
    std::mbstate_t state{};
    char bytes[MB_LEN_MAX];
    for (const char16_t unit : message) {
        const std::size_t length = std::c16rtomb(bytes, unit, &state);
        if (length == static_cast<std::size_t>(-1)) {
            std::fputc('?', stderr);
            state = {};
        } else {
            std::fwrite(bytes, 1, length, stderr);
        }
    }
    std::fputc('\n', stderr);
}

EndHandler& installedEndHandler() {
    static EndHandler handler = exitProcess;
    return handler;
}

ErrorReporter& installedErrorReporter() {
    static ErrorReporter reporter = writeToStandardError;
    return reporter;
}

void report(const std::u16string& message) noexcept {
    try {
        installedErrorReporter()(message);
    } catch (...) {
        // The reporter itself failed; standard error is the last place left to tell.
        writeToStandardError(message);
    }
}

} // namespace

std::u16string trimSpaces(std::u16string text) {
    const auto last = text.find_last_not_of(u' ');
    if (last == std::u16string::npos) {
        return {};
    }
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(u' '));
    return text;
}

std::u16string withThousands(std::size_t number) {
    const std::string digits = std::to_string(number);
    std::u16string out;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at != 0 && (digits.size() - at) % 3 == 0) {
            out += u',';
        }
        out += static_cast<char16_t>(digits[at]);
    }
    return out;
}

EndHandler setEndHandler(EndHandler handler) {
    return std::exchange(installedEndHandler(), std::move(handler));
}

void endProgram() {
    installedEndHandler()();
}

ErrorReporter setErrorReporter(ErrorReporter reporter) {
    return std::exchange(installedErrorReporter(), std::move(reporter));
}

void dispatchCommand(const std::function<void()>& command) noexcept {
    try {
        command();
    } catch (const Error& error) {
        report(error.message());
    } catch (...) {
        report(u"The command stopped because of an unexpected error. Nothing was changed.");
    }
}

} // namespace kestrune::runtime
