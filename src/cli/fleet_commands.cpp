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
#include "cli/run_folder.h"
#include "cli/server_endpoint.h"
#include "cli/update_job.h"
#include "hid/discovery.h"
#include "sim/server/support_server.h"

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

// Runs the job on every box present, or on each new box until interrupted; prints the summary.
int runFleet(const GlobalOptions& options, const std::shared_ptr<hid::Backend>& bus, const BoxJob& job,
             FleetChoice choice) {
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

}  // namespace

int flashEveryBox(const GlobalOptions& options, const std::string& file, int target, FleetChoice choice) {
    const BackendChoice backend(options);
    if (!backend.ok()) {
        std::fprintf(stderr, "arvex-cli: %s\n", backend.error().c_str());
        return 2;
    }
    const std::shared_ptr<hid::Backend>& bus = backend.backend();
    const FlashRequest request{file, target, options.waitSeconds};
    return runFleet(
        options, bus,
        [&](const std::string& path, BoxReporter& reporter) {
            return flashBox(bus, path, request, reporter);
        },
        choice);
}

int updateEveryBox(const GlobalOptions& options, const std::optional<std::string>& fileId,
                   FleetChoice choice) {
    // Image files and the stand-in's catalogue go into a folder of this run, removed however the run ends.
    const RunFolder runFolder;
    if (!runFolder.ok()) {
        std::fprintf(stderr, "arvex-cli update: no temporary folder can be made\n");
        return 1;
    }
    const BackendChoice backend(options);
    if (!backend.ok()) {
        std::fprintf(stderr, "arvex-cli: %s\n", backend.error().c_str());
        return 2;
    }
    const std::shared_ptr<hid::Backend>& bus = backend.backend();
    UpdateRequest request;
    request.fileId = fileId;
    request.waitSeconds = options.waitSeconds;
    request.noCrypt = options.noCrypt;
    std::unique_ptr<sim::SupportServer> standIn;
    if (options.server) {
        const auto endpoint = parseServerEndpoint(*options.server);
        if (!endpoint) {
            std::fprintf(stderr, "arvex-cli update: --server wants HOST:PORT\n");
            return 2;
        }
        request.server = *endpoint;
    } else if (options.simulate) {
        sim::SupportServerOptions serverOptions;
        serverOptions.registry = registryForBus(bus->enumerate().size());
        standIn = std::make_unique<sim::SupportServer>(serverOptions);
        if (!standIn->start(0)) {
            std::fprintf(stderr, "arvex-cli update: the stand-in support server could not start\n");
            return 1;
        }
        request.server = app::ServerEndpoint{"127.0.0.1", standIn->port()};
        std::printf("Stand-in support server on 127.0.0.1:%u\n", static_cast<unsigned>(standIn->port()));
    }
    return runFleet(
        options, bus,
        [&](const std::string& path, BoxReporter& reporter) {
            return updateBox(bus, path, request, reporter);
        },
        choice);
}

}  // namespace cli
