// arvex-cli: SIGINT and SIGTERM in one place. A thread waits for the signals (they are blocked in every
// other thread, so no work runs in a signal handler); when one arrives it runs the registered clean-ups,
// newest first, and ends the process with exit code 130.
#pragma once

#include <functional>

#include "cli/exit_code.h"

namespace cli {

inline constexpr int kInterruptedExitCode = toInt(ExitCode::interrupted);

// Blocks SIGINT and SIGTERM and starts the waiting thread. Call first in main(), before any thread starts.
void installInterruptHandling();

// A clean-up that runs when the process is interrupted, for as long as the registration lives.
class CleanupRegistration {
public:
    explicit CleanupRegistration(std::function<void()> cleanup);
    ~CleanupRegistration();
    CleanupRegistration(const CleanupRegistration&) = delete;
    CleanupRegistration& operator=(const CleanupRegistration&) = delete;

private:
    unsigned long id_;
};

}  // namespace cli
