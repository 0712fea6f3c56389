// arvex-cli: which HID backend the process talks to, from the global options.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "sim/box/sim_backend.h"

namespace cli {

// With --simulate: a simulated box of the chosen preset is the backend, its memory loaded
// from --sim-state (when that file exists). Without: the real hidapi backend. With --trace (or its older
// name --sim-trace) every report to and from either backend is appended to the trace file. The simulated
// memory is saved back to --sim-state when the choice goes out of scope, and also when the run is
// interrupted (SIGINT, SIGTERM). Make the choice before the session and hand the session its backend().
class BackendChoice {
public:
    explicit BackendChoice(const GlobalOptions& options);
    ~BackendChoice();
    BackendChoice(const BackendChoice&) = delete;
    BackendChoice& operator=(const BackendChoice&) = delete;

    [[nodiscard]] bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }  // a message for stderr when not ok
    // What the sessions talk through (null when not ok).
    const std::shared_ptr<hid::Backend>& backend() const { return backend_; }
    // The simulated box, or null with the real backend.
    const std::shared_ptr<sim::SimBackend>& simulatedBox() const { return box_; }

private:
    void saveState() const;

    std::shared_ptr<hid::Backend> backend_;
    std::shared_ptr<sim::SimBackend> box_;
    std::string statePath_;
    std::string error_;
    std::unique_ptr<CleanupRegistration> saveOnInterrupt_;
    std::shared_ptr<std::atomic<bool>> saveFailed_;  // the run's flag (GlobalOptions::stateSaveFailed)
};

// True once a save of the simulated memory failed in this process; main() then ends with a failure.

}  // namespace cli
