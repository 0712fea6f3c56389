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
#include "cli/commands.h"
#include "cli/server_endpoint.h"
#include "server/documents.h"
#include "sim/server/support_server.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTick = std::chrono::milliseconds(100);  // the status timer's fast interval
constexpr int kConnectEvery = 6;                        // the connect timer runs every 600 ms
constexpr auto kStepLimit = std::chrono::seconds(120);  // no step of the road takes longer

// Drives the two timers as the window's would, until `done` holds or the step's time is up.
class TimerDriver {
public:
    explicit TimerDriver(app::WindowLogic& logic) : logic_(logic) {}

    bool runUntil(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + kStepLimit;
        while (Clock::now() < deadline) {
            if (done()) return true;
            if (ticks_++ % kConnectEvery == 0) logic_.tmConnectTimer();
            logic_.tmUpdateStatusTimer();
            std::this_thread::sleep_for(kTick);
        }
        return done();
    }

private:
    app::WindowLogic& logic_;
    unsigned ticks_ = 0;
};

// Picks the row to act on in the listing on screen: the entry with the given id, else the first firmware
// container; failing both, the folder named after the box's reference, else the first folder not visited.
std::optional<int> chooseRow(app::WindowLogic& logic, const std::optional<std::string>& fileId,
                             std::vector<std::string>& visited) {
    const std::size_t count = logic.firmwareRowCount();
    std::optional<int> folder;
    for (std::size_t row = 0; row < count; ++row) {
        const ArvexClient::FileInfo& entry = logic.firmwareRow(row);
        const int kind = ArvexClient::classifyFileType(&entry);
        if (kind == ArvexClient::kFileClassFile &&
            (fileId ? entry.fileId == *fileId : app::isContainerName(entry.name)))
            return static_cast<int>(row);
        const bool seen = std::find(visited.begin(), visited.end(), entry.fileId) != visited.end();
        if (kind == ArvexClient::kFileClassFolder && !seen &&
            (!folder || entry.name == ArvexClient::deviceInfo.pid))
            folder = static_cast<int>(row);
    }
    if (folder) visited.push_back(logic.firmwareRow(static_cast<std::size_t>(*folder)).fileId);
    return folder;
}

bool loggedIn(app::WindowLogic& logic, app::ConsoleView& view) {
    (void)view;
    return !logic.operationRunning() && logic.deviceConnected() && !logic.loginPending();
}

int say(const char* text, int code) {
    std::fprintf(code == 0 ? stdout : stderr, "arvex-cli update: %s\n", text);
    return code;
}

// After a login the road goes on only with Update enabled.
int loginOutcome(app::ConsoleView& view) {
    if (view.isEnabled(app::Control::btUpdate)) return 0;
    if (view.isVisible(app::Control::pReg))
        return say("the server does not know this box: register it first (arvex-cli register)", 3);
    if (ArvexClient::session.blacklisted) return say("the server has blocked this box", 4);
    return say("the login failed", 1);
}

int runUpdate(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    if (arguments.size() > 1) return say("usage: arvex-cli update [FILE_ID]", 2);
    const std::optional<std::string> fileId =
        arguments.empty() ? std::nullopt : std::optional<std::string>(arguments[0]);

    app::UpdaterSetup setup;
    std::unique_ptr<simserver::SupportServer> standIn;
    if (options.server) {
        const auto endpoint = parseServerEndpoint(*options.server);
        if (!endpoint) return say("--server wants HOST:PORT", 2);
        setup.server = *endpoint;
    } else {
        standIn = std::make_unique<simserver::SupportServer>();
        if (!standIn->start(0)) return say("the stand-in support server could not start", 1);
        setup.server = app::ServerEndpoint{"127.0.0.1", standIn->port()};
        std::printf("Stand-in support server on 127.0.0.1:%u\n", static_cast<unsigned>(standIn->port()));
    }
    // Without a server of its own the road needs the box that the stand-in server knows: the simulated one.
    GlobalOptions boxOptions = options;
    if (!options.server) boxOptions.simulate = true;
    const BackendChoice backend(boxOptions);
    if (!backend.ok()) return say(backend.error().c_str(), 2);
    if (backend.simulatedBox())
        std::printf("Simulated box %s plugged in\n",
                    options.simulatePreset.empty() ? "(default preset)" : options.simulatePreset.c_str());

    app::ConsoleView view(stdout, isatty(STDOUT_FILENO) != 0);
    view.setSaveFolder(".");
    auto window = app::buildUpdaterWindow(view, setup);
    app::WindowLogic& logic = window->logic();
    logic.ActiveFormCreate();
    if (options.noCrypt) logic.ckCrypt1Click();
    TimerDriver timers(logic);

    const auto identifiedAndLoggedIn = [&] { return loggedIn(logic, view); };
    if (!timers.runUntil(identifiedAndLoggedIn)) return say("no box found", 1);
    if (int outcome = loginOutcome(view); outcome != 0) return outcome;

    // The catalogue: open folders until a container (or the given entry) is on screen, then take it.
    logic.btUpdateClick();
    std::vector<std::string> visited;
    bool started = false;
    for (int step = 0; step < 16 && !started; ++step) {
        if (!view.isVisible(app::Control::pFirmUpdate) || logic.firmwareRowCount() == 0)
            return say("the server offers nothing for this box", 1);
        const auto row = chooseRow(logic, fileId, visited);
        if (!row) return say(fileId ? "no such entry in the catalogue" : "no firmware for this box", 1);
        const bool folder =
            ArvexClient::classifyFileType(&logic.firmwareRow(static_cast<std::size_t>(*row))) !=
            ArvexClient::kFileClassFile;
        if (!folder)
            std::printf("Chosen: %s\n",
                        app::cp1252ToUtf8(logic.firmwareRow(static_cast<std::size_t>(*row)).name).c_str());
        view.selectRow(*row);
        logic.lvListFWChange(true);
        logic.btSelectFirmwareClick();
        started = !folder;
    }
    if (!started) return say("no firmware found in the catalogue", 1);
    if (view.isVisible(app::Control::pFirmUpdate)) return say("the download failed", 1);
    if (!logic.operationRunning() && logic.pendingImages() == 0 && !view.isVisible(app::Control::pUpdate))
        return say("the firmware was not programmed", 1);

    // Programming ends with the disconnect; the connect timer then finds the box again and logs in anew.
    if (!timers.runUntil([&] { return !logic.operationRunning() && !logic.deviceConnected(); }))
        return say("programming did not end", 1);
    const auto history = view.history();
    const auto said = [&](const char* line) {
        return std::find(history.begin(), history.end(), line) != history.end();
    };
    if (!said("Firmware has been updated successfully") || !said("Completed"))
        return say("programming failed", 1);
    if (!timers.runUntil(identifiedAndLoggedIn)) return say("the box did not come back", 1);
    if (int outcome = loginOutcome(view); outcome != 0) return outcome;
    return say("done: the box was updated and logged in again", 0);
}

const Command kUpdateCommands[] = {
    {"update",
     "update [FILE_ID]            walk the whole update road (default: stand-in server, simulated box)",
     runUpdate},
};

}  // namespace

std::span<const Command> updateCommands() {
    return kUpdateCommands;
}

}  // namespace cli
