#pragma once

#include "run_time_error.h"

#include <functional>
#include <utility>

namespace platform {

// What happens to an error that escapes an event procedure. The default shows the standard
// run-time error message in a message box and then ends the program with
// kRunTimeErrorExitStatus; tests put their own handler in its place.
using FatalErrorHandler = std::function<void(const RunTimeError&)>;

inline constexpr int kRunTimeErrorExitStatus = 3;

// Installs a handler and returns the one it replaces; an empty handler restores the default.
FatalErrorHandler setFatalErrorHandler(FatalErrorHandler handler);

// True once an error has ended the program: no further event procedure runs.
bool programEnded() noexcept;

namespace detail {
void reportFatal(const RunTimeError& error) noexcept;
} // namespace detail

// Runs one event procedure. No exception leaves it, so none crosses Qt's event loop.
template <class Procedure> void runEventProcedure(Procedure&& procedure) noexcept {
    if (programEnded())
        return;
    try {
        std::forward<Procedure>(procedure)();
    } catch (...) {
        detail::reportFatal(caughtRunTimeError());
    }
}

} // namespace platform
