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
#include "cli/box_pick.h"
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

using Clock = std::chrono::steady_clock;

constexpr auto kTick = std::chrono::milliseconds(100);  // the status timer's fast interval
constexpr int kConnectEvery = 6;                        // the connect timer runs every 600 ms
constexpr auto kStepLimit = std::chrono::seconds(120);  // no step of the road takes longer

// Drives the two timers as the window's would, until `done` holds or the time is up (none: no limit).
class TimerDriver {
public:
    // `tick` runs after every status tick: the --json reports of the log and the progress.
    TimerDriver(app::WindowLogic& logic, std::function<void()> tick)
        : logic_(logic), tick_(std::move(tick)) {}

    bool runUntil(const std::function<bool()>& done,
                  std::optional<std::chrono::milliseconds> limit = kStepLimit) {
        const auto deadline = limit ? Clock::now() + *limit : Clock::time_point::max();
        while (Clock::now() < deadline) {
            if (done()) return true;
            if (ticks_++ % kConnectEvery == 0) logic_.onConnectTimer();
            logic_.onStatusTimer();
            tick_();
            std::this_thread::sleep_for(kTick);
        }
        return done();
    }

private:
    app::WindowLogic& logic_;
    std::function<void()> tick_;
    unsigned ticks_ = 0;
};

// Picks the row to act on in the listing on screen: the entry with the given id (a folder's id opens that
// folder, whose first container is then taken), else the first firmware container; failing both, the folder
// named after the box's reference, else the first folder not visited.
std::optional<int> chooseRow(app::WindowLogic& logic, std::optional<std::string>& fileId,
                             std::vector<std::string>& visited) {
    const std::size_t count = logic.firmwareRowCount();
    std::optional<int> folder;
    for (std::size_t row = 0; row < count; ++row) {
        const server::FileInfo& entry = logic.firmwareRow(row);
        const int kind = server::classifyFileType(&entry);
        if (kind == server::kFileClassFile &&
            (fileId ? entry.fileId == *fileId : app::isContainerName(entry.name)))
            return static_cast<int>(row);
        if (fileId && kind == server::kFileClassFolder && entry.fileId == *fileId) {
            fileId.reset();
            visited.push_back(entry.fileId);
            return static_cast<int>(row);
        }
        const bool seen = std::find(visited.begin(), visited.end(), entry.fileId) != visited.end();
        if (kind == server::kFileClassFolder && !seen &&
            (!folder || entry.name == logic.serverClient().device.pid))
            folder = static_cast<int>(row);
    }
    if (folder) visited.push_back(logic.firmwareRow(static_cast<std::size_t>(*folder)).fileId);
    return folder;
}

bool loggedIn(app::WindowLogic& logic) {
    return !logic.operationRunning() && logic.deviceConnected() && !logic.loginPending();
}

ExitCode say(const std::string& text, ExitCode code) {
    std::fprintf(code == ExitCode::done ? stdout : stderr, "arvex-cli update: %s\n", text.c_str());
    return code;
}

// After a login the road goes on only with Update enabled.
ExitCode loginOutcome(app::ConsoleView& view, app::WindowLogic& logic) {
    if (view.isEnabled(app::Control::updateButton)) return ExitCode::done;
    if (view.isVisible(app::Control::registrationDialog))
        return say("the server does not know this box: register it first (arvex-cli register)",
                   ExitCode::notRegistered);
    if (logic.serverClient().session.blacklisted)
        return say("the server has blocked this box", ExitCode::blocked);
    return say("the login failed", ExitCode::failed);
}

// The log's error lines written since line `from` of the history, joined: the cause of a failure.
std::string errorsSince(app::ConsoleView& view, std::size_t from) {
    const auto history = view.history();
    std::string cause;
    for (std::size_t line = from; line < history.size(); ++line) {
        if (history[line].find("Error") == std::string::npos) continue;
        if (!cause.empty()) cause += "; ";
        cause += app::cp1252ToUtf8(history[line]);
    }
    return cause.empty() ? "no cause was logged" : cause;
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
    TimerDriver timers(logic, [&] {
        if (!options.events->json()) return;
        const auto history = view.history();
        for (; logged < history.size(); ++logged)
            options.events->log(window->bootLoader().devicePath(), history[logged]);
        if (logic.operationRunning()) progress.update(window->bootLoader().getProgress());
    });

    std::fflush(stdout);
    if (!waitForBox(window->bootLoader(), options.waitSeconds, options.quiet ? nullptr : stderr))
        return say(
            "no box found within " + std::to_string(options.waitSeconds) + " s (see arvex-cli devices)",
            ExitCode::noBox);
    if (!timers.runUntil([&] { return logic.deviceConnected(); }))
        return say("the box went away before it was connected", ExitCode::failed);
    options.events->found(window->bootLoader().devicePath());
    const auto identifiedAndLoggedIn = [&] { return loggedIn(logic); };
    if (!timers.runUntil(identifiedAndLoggedIn))
        return say("the identity read and login did not end", ExitCode::failed);
    if (const ExitCode outcome = loginOutcome(view, logic); outcome != ExitCode::done) return outcome;

    // The catalogue: open folders until a container (or the given entry) is on screen, then take it.
    logic.onUpdate();
    std::vector<std::string> visited;
    std::optional<std::string> chosenName;
    std::size_t actionFrom = 0;  // the first history line of the chosen file's download
    for (int step = 0; step < 16 && !chosenName; ++step) {
        if (!view.isVisible(app::Control::firmwareDialog) || logic.firmwareRowCount() == 0)
            return say("the server offers nothing for this box", ExitCode::failed);
        const auto row = chooseRow(logic, fileId, visited);
        if (!row)
            return say(fileId ? "no such entry in the catalogue" : "no firmware for this box",
                       ExitCode::failed);
        const server::FileInfo& entry = logic.firmwareRow(static_cast<std::size_t>(*row));
        if (server::classifyFileType(&entry) == server::kFileClassFile) {
            chosenName = entry.name;
            if (!options.quiet) std::printf("Chosen: %s\n", app::cp1252ToUtf8(entry.name).c_str());
        }
        view.selectRow(*row);
        logic.onFirmwareSelectionChange(true);
        actionFrom = view.history().size();
        logic.onSelectFirmware();
        if (chosenName && view.isVisible(app::Control::firmwareDialog))
            return say("the download failed: " + errorsSince(view, actionFrom), ExitCode::failed);
    }
    if (!chosenName) return say("no firmware found in the catalogue", ExitCode::failed);
    if (!app::isContainerName(*chosenName)) {
        const auto path = view.lastSavePath();
        return say("'" + app::cp1252ToUtf8(*chosenName) +
                       "' is not a firmware container: nothing was programmed; " + "saved to " +
                       path.value_or("?"),
                   ExitCode::done);
    }

    // Programming, the final commands and the disconnect all run on the worker; once it has ended the log
    // tells how it went, failures at once.
    if (!timers.runUntil([&] { return !logic.operationRunning(); }))
        return say("programming did not end", ExitCode::failed);
    const auto history = view.history();
    const auto said = [&](const char* line) {
        return std::find(history.begin() + static_cast<std::ptrdiff_t>(actionFrom), history.end(), line) !=
               history.end();
    };
    if (!said("Firmware has been updated successfully") || !said("Completed"))
        return say("programming failed: " + errorsSince(view, actionFrom), ExitCode::failed);
    if (!timers.runUntil(identifiedAndLoggedIn)) return say("the box did not come back", ExitCode::failed);
    if (const ExitCode outcome = loginOutcome(view, logic); outcome != ExitCode::done) return outcome;
    return say("done: the box was updated and logged in again", ExitCode::done);
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
