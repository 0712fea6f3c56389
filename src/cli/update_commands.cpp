// arvex-cli update [FILE_ID]: the window's whole road on a terminal, driven by the same window logic
// through the console view: connect, identity, login, list, download, program, the post-programming
// commands, reconnection and the second login.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/console_view.h"
#include "app/firmware_container.h"
#include "app/updater_window.h"
#include "cli/backend_choice.h"
#include "cli/box_wait.h"
#include "cli/commands.h"
#include "cli/fleet_commands.h"
#include "cli/run_folder.h"
#include "cli/server_endpoint.h"
#include "cli/update_road.h"
#include "server/documents.h"
#include "sim/server/support_server.h"

namespace cli {
namespace {

int say(const std::string& text, int code) {
    std::fprintf(code == 0 ? stdout : stderr, "arvex-cli update: %s\n", text.c_str());
    return code;
}

int runUpdate(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    FleetChoice fleet;
    std::vector<std::string> words;
    for (const std::string& word : arguments) {
        if (word == "--all" || word == "--wait-new")
            (word == "--all" ? fleet.all : fleet.waitNew) = true;
        else
            words.push_back(word);
    }
    if (words.size() > 1 || (fleet.all && fleet.waitNew))
        return say("usage: arvex-cli update [FILE_ID] [--all | --wait-new]", 2);
    std::optional<std::string> fileId = words.empty() ? std::nullopt : std::optional<std::string>(words[0]);
    if (fleet.all || fleet.waitNew) return updateEveryBox(options, fileId, fleet);

    // Image files and the stand-in's catalogue go into a folder of this run, removed however the run ends.
    const RunFolder runFolder;
    if (!runFolder.ok()) return say("no temporary folder can be made", 1);

    // The same rules as every command: --server picks the server, --simulate the box. The stand-in server
    // runs only for a simulated box without a server of its own; otherwise the configured server is used.
    app::UpdaterSetup setup;
    std::unique_ptr<sim::SupportServer> standIn;
    if (options.server) {
        const auto endpoint = parseServerEndpoint(*options.server);
        if (!endpoint) return say("--server wants HOST:PORT", 2);
        setup.server = *endpoint;
    } else if (options.simulate) {
        standIn = std::make_unique<sim::SupportServer>();
        if (!standIn->start(0)) return say("the stand-in support server could not start", 1);
        setup.server = app::ServerEndpoint{"127.0.0.1", standIn->port()};
        std::printf("Stand-in support server on 127.0.0.1:%u\n", static_cast<unsigned>(standIn->port()));
    }
    const BackendChoice backend(options);
    if (!backend.ok()) return say(backend.error(), 2);
    setup.backend = backend.backend();
    if (backend.simulatedBox())
        std::printf("Simulated box %s plugged in\n",
                    options.simulatePreset.empty() ? "(default preset)" : options.simulatePreset.c_str());

    app::ConsoleView view(stdout, isatty(STDOUT_FILENO) != 0);
    view.setSaveFolder(".");
    auto window = app::buildUpdaterWindow(view, setup);
    app::WindowLogic& logic = window->logic();
    logic.onWindowCreated();
    if (options.noCrypt) logic.onCryptToggle();
    if (!standIn)
        std::printf("Support server %s:%d\n", logic.serverClient().endpoint.host.c_str(),
                    static_cast<int>(logic.serverClient().endpoint.port));
    std::fflush(stdout);
    RoadRequest road;
    road.fileId = fileId;
    road.waitSeconds = options.waitSeconds;
    road.waitMessages = stderr;
    const RoadOutcome outcome = walkUpdateRoad(
        view, *window, road, [](const std::string& text) { std::printf("%s\n", text.c_str()); });
    return say(outcome.text, outcome.exitCode);
}

const Command kUpdateCommands[] = {
    {"update",
     "update [FILE_ID] [--all | --wait-new]  walk the whole update road (with --simulate alone: the stand-in "
     "server; --all: every box at once; --wait-new: each box as it is plugged in)",
     runUpdate},
};

}  // namespace

std::span<const Command> updateCommands() {
    return kUpdateCommands;
}

}  // namespace cli
