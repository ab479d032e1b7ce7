#pragma once

// How the program ends and how an error that leaves a command reaches the user. Both are
// replaceable: each entry point installs its message box and the Qt one its ending; tests install
// recorders.

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace kestrune::runtime {

// An error meant for the user: its message reaches the message box as it is.
class Error : public std::exception {
public:
    explicit Error(std::u16string message) : message_(std::move(message)) {}

    const std::u16string& message() const noexcept { return message_; }
    const char* what() const noexcept override { return "Kestrune error; see message()"; }

private:
    std::u16string message_;
};

using EndHandler = std::function<void()>;
using ErrorReporter = std::function<void(const std::u16string& message)>;

// Each installs its operation and returns the one it replaces. The initial end handler ends the
// process at once with status 0, which Windows allows, since it keeps what was copied; the initial
// reporter writes the message to standard error.
EndHandler setEndHandler(EndHandler handler);
ErrorReporter setErrorReporter(ErrorReporter reporter);

void endProgram();

// Runs a command and reports whatever it throws, an Error with its own message and anything else
// with a general one: nothing may unwind a toolkit's event loop.
void dispatchCommand(const std::function<void()>& command) noexcept;

} // namespace kestrune::runtime
