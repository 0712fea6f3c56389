// arvex-cli update [FILE_ID]: the window's whole road on a terminal, driven by the same window logic
// through the console view: connect, identity, login, list, download, program, the post-programming
// commands, reconnection and the second login.
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/console_view.h"
#include "app/updater_window.h"
#include "bootloader/session.h"
#include "cli/backend_choice.h"
#include "cli/box_pick.h"
#include "cli/commands.h"
#include "cli/fleet_commands.h"
#include "cli/run_folder.h"
#include "cli/server_endpoint.h"
#include "cli/update_road.h"
#include "sim/server/support_server.h"

namespace cli {
namespace {

ExitCode say(const std::string& text, ExitCode code) {
    std::fprintf(code == ExitCode::done ? stdout : stderr, "arvex-cli update: %s\n", text.c_str());
    return code;
}

ExitCode runUpdate(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    FleetChoice fleet;
    std::vector<std::string> words;
    for (const std::string& word : arguments) {
        if (word == "--all" || word == "--wait-new")
            (word == "--all" ? fleet.all : fleet.waitNew) = true;
        else if (word.size() > 1 && word[0] == '-')
            return usageError("update", "unknown option '" + word + "'");
        else
            words.push_back(word);
    }
    if (words.size() > 1) return usageError("update", "unexpected argument '" + words[1] + "'");
    if (fleet.all && fleet.waitNew) return usageError("update", "--all and --wait-new exclude each other");
    std::optional<std::string> fileId = words.empty() ? std::nullopt : std::optional<std::string>(words[0]);
    if (fleet.all || fleet.waitNew) return static_cast<ExitCode>(updateEveryBox(options, fileId, fleet));

    // Image files and the stand-in's catalogue go into a folder of this run, removed however the run ends.
    const RunFolder runFolder;
    if (!runFolder.ok()) return say("no temporary folder can be made", ExitCode::failed);

    // The same rules as every command: --server picks the server, --simulate the box. The stand-in server
    // runs only for a simulated box without a server of its own; otherwise the configured server is used.
    app::UpdaterSetup setup;
    std::unique_ptr<sim::SupportServer> standIn;
    if (options.server) {
        const auto endpoint = parseServerEndpoint(*options.server);
        if (!endpoint) return usageError("update", "--server wants HOST:PORT, not '" + *options.server + "'");
        setup.server = *endpoint;
    } else if (options.simulate) {
        standIn = std::make_unique<sim::SupportServer>();
        if (!standIn->start(0)) return say("the stand-in support server could not start", ExitCode::failed);
        setup.server = app::ServerEndpoint{"127.0.0.1", standIn->port()};
        if (!options.quiet)
            std::printf("Stand-in support server on 127.0.0.1:%u\n", static_cast<unsigned>(standIn->port()));
    }
    const BackendChoice backend(options);
    if (!backend.ok()) return say(backend.error(), ExitCode::usage);
    setup.backend = backend.backend();
    const BoxPick pick = pickBox(options, backend.backend());
    if (pick.code != ExitCode::done) return pick.code;
    setup.devicePath = pick.path;
    if (backend.simulatedBox())
        if (!options.quiet)
            std::printf("Simulated box %s plugged in\n",
                        options.simulatePreset.empty() ? "(default preset)" : options.simulatePreset.c_str());

    // -q: the log is not shown, only errors and the result.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> hidden(
        options.quiet ? std::fopen("/dev/null", "w") : nullptr,
        [](std::FILE* f) { return f ? std::fclose(f) : 0; });
    app::ConsoleView view(hidden ? hidden.get() : stdout, !hidden && isatty(STDOUT_FILENO) != 0);
    view.setSaveFolder(".");
    auto window = app::buildUpdaterWindow(view, setup);
    app::WindowLogic& logic = window->logic();
    logic.onWindowCreated();
    if (options.noCrypt) logic.onCryptToggle();
    if (!standIn)
        if (!options.quiet)
            std::printf("Support server %s:%d\n", logic.serverClient().endpoint.host.c_str(),
                        static_cast<int>(logic.serverClient().endpoint.port));
    // --json: every new log line and the programming progress, tagged with the box.
    std::size_t logged = 0;
    ProgressEvents progress(*options.events, window->bootLoader().devicePath(), "update");
    RoadRequest road;
    road.fileId = fileId;
    road.waitSeconds = options.waitSeconds;
    road.waitMessages = options.quiet ? nullptr : stderr;
    road.connected = [&] { options.events->found(window->bootLoader().devicePath()); };
    road.tick = [&] {
        if (!options.events->json()) return;
        const auto history = view.history();
        for (; logged < history.size(); ++logged)
            options.events->log(window->bootLoader().devicePath(), history[logged]);
        if (logic.operationRunning()) progress.update(window->bootLoader().getProgress());
    };
    std::fflush(stdout);
    const RoadOutcome outcome = walkUpdateRoad(view, *window, road, [&](const std::string& text) {
        if (!options.quiet) std::printf("%s\n", text.c_str());
    });
    return say(outcome.text, static_cast<ExitCode>(outcome.exitCode));
}

const Command kUpdateCommands[] = {
    {"update", "update [FILE_ID] [--all | --wait-new]",
     "walk the whole update road, from the login to the box logged in again",
     "  FILE_ID           the catalogue entry to take (a folder's id opens it; default: the box's firmware)\n"
     "  --all             every box present, at once, with a summary at the end\n"
     "  --wait-new        each box as it is plugged in, until interrupted\n"
     "With --simulate and no --server, a stand-in support server runs in the same process.\n",
     runUpdate},
};

}  // namespace

std::span<const Command> updateCommands() {
    return kUpdateCommands;
}

}  // namespace cli
