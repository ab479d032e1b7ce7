#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include "runtime/code_page.h"
#include "runtime/program.h"
#include "runtime/text.h"

namespace kestrune::runtime {

namespace {

constexpr bool codePageIsOneToOne() {
    for (std::int32_t code = 0; code <= 0xFF; ++code) {
        const auto character = charFromAnsi(code);
        if (!character || ansiCode(*character) != code) {
            return false;
        }
    }
    return true;
}
static_assert(codePageIsOneToOne(), "every code must map to one character and back");

// Ends at once: no further event reaches the window and nothing is saved, so no clean-up is owed.
void exitProcess() {
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

void writeToStandardError(const char* message) {
    std::fprintf(stderr, "Kestrune: %s\n", message);
}

EndHandler& installedEndHandler() {
    static EndHandler handler = exitProcess;
    return handler;
}

ErrorReporter& installedErrorReporter() {
    static ErrorReporter reporter = [](const std::string& message) {
        writeToStandardError(message.c_str());
    };
    return reporter;
}

void report(const char* message) noexcept {
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
    } catch (const std::exception& error) {
        report(error.what());
    } catch (...) {
        report("The command stopped because of an unexpected error. Nothing was changed.");
    }
}

} // namespace kestrune::runtime
