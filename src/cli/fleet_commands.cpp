#include "cli/fleet_commands.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/backend_choice.h"
#include "cli/flash_job.h"
#include "cli/fleet.h"
#include "cli/interrupt.h"
#include "hid/discovery.h"

namespace cli {

namespace {

constexpr int kNoBoxExitCode = 5;

FleetBoard::Style boardStyle() {
    return isatty(STDOUT_FILENO) != 0 ? FleetBoard::Style::terminal : FleetBoard::Style::plain;
}

// The boxes present, waiting up to waitSeconds (0: no limit) for the first one.
std::vector<std::string> waitForBoxes(hid::Backend& backend, int waitSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    for (;;) {
        std::vector<std::string> paths = presentBoxes(backend);
        if (!paths.empty() || (waitSeconds > 0 && std::chrono::steady_clock::now() >= deadline)) return paths;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

}  // namespace

int flashEveryBox(const GlobalOptions& options, const std::string& file, int target, FleetChoice choice) {
    const BackendChoice backend(options);
    if (!backend.ok()) {
        std::fprintf(stderr, "arvex-cli: %s\n", backend.error().c_str());
        return 2;
    }
    const std::shared_ptr<hid::Backend> bus = backend.backend();
    const FlashRequest request{file, target, options.waitSeconds};
    const BoxJob job = [&](const std::string& path, BoxReporter& reporter) {
        return flashBox(bus, path, request, reporter);
    };
    FleetBoard board(stdout, boardStyle());
    if (!choice.waitNew) {
        const std::vector<std::string> paths = waitForBoxes(*bus, options.waitSeconds);
        if (paths.empty()) {
            std::fprintf(stderr, "arvex-cli: no Arvex box found (USB %s) within %d s\n",
                         hid::deviceMatchPattern, options.waitSeconds);
            return kNoBoxExitCode;
        }
        const int code = runOnAll(paths, job, board);
        board.printSummary();
        return code;
    }
    // Until interrupted: the summary is printed on the way out, and the process ends with 130.
    std::atomic<bool> stop{false};
    const CleanupRegistration summaryOnInterrupt([&] {
        stop = true;
        board.printSummary();
    });
    const SerialReader readSerial = [&](const std::string& path) {
        return readBoxSerial(bus, path, options.waitSeconds);
    };
    const int code = runOnEachNewBox(*bus, job, readSerial, board, stop);
    board.printSummary();
    return code;
}

}  // namespace cli
