#pragma once

// How the program ends and how an error that leaves a command reaches the user. Both are
// replaceable: the window installs its own, tests install recorders.

#include <functional>
#include <string>

namespace kestrune::runtime {

using EndHandler = std::function<void()>;
using ErrorReporter = std::function<void(const std::string& message)>;

// Installs the operation that ends the program and returns the one it replaces.
// The initial one ends the process at once with status 0.
EndHandler setEndHandler(EndHandler handler);

// Ends the program through the installed operation.
void endProgram();

// Installs the function that shows an error to the user and returns the one it replaces.
// The initial one writes the message to standard error.
ErrorReporter setErrorReporter(ErrorReporter reporter);

// Runs a command. Whatever it throws is caught and handed to the error reporter, so no exception
// ever leaves for the caller (a toolkit's event loop must not be unwound).
void dispatchCommand(const std::function<void()>& command) noexcept;

} // namespace kestrune::runtime
