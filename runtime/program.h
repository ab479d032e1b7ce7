#pragma once

// How the program ends and how an error that leaves a command reaches the user. Both are
// replaceable: the window installs its own, tests install recorders.

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace kestrune::runtime {

// An error meant for the user: its message is shown as it is, in the core's text form, all the
// way to the message box.
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

// Installs the operation that ends the program and returns the one it replaces.
// The initial one ends the process at once with status 0.
EndHandler setEndHandler(EndHandler handler);

// Ends the program through the installed operation.
void endProgram();

// Installs the function that shows an error to the user and returns the one it replaces.
// The initial one writes the message to standard error.
ErrorReporter setErrorReporter(ErrorReporter reporter);

// Runs a command. Whatever it throws is caught and reported, an Error with its own message and
// anything else with a general one, so no exception ever leaves for the caller (a toolkit's event
// loop must not be unwound).
void dispatchCommand(const std::function<void()>& command) noexcept;

} // namespace kestrune::runtime
