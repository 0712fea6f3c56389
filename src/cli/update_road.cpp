#include "cli/update_road.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "app/firmware_container.h"
#include "cli/box_wait.h"
#include "server/documents.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTick = std::chrono::milliseconds(100);  // the status timer's fast interval
constexpr int kConnectEvery = 6;                        // the connect timer runs every 600 ms
constexpr auto kStepLimit = std::chrono::seconds(120);  // no step of the road takes longer

// Drives the two timers as the window's would, until `done` holds or the time is up.
class TimerDriver {
public:
    TimerDriver(app::WindowLogic& logic, std::function<void()> tick)
        : logic_(logic), tick_(std::move(tick)) {}

    bool runUntil(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + kStepLimit;
        while (Clock::now() < deadline) {
            if (done()) return true;
            if (ticks_++ % kConnectEvery == 0) logic_.onConnectTimer();
            logic_.onStatusTimer();
            if (tick_) tick_();
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

constexpr int kNoBoxWithinTheWait = 5;

RoadOutcome stopped(std::string text, int code = 1, bool programmed = false) {
    return RoadOutcome{code, std::move(text), programmed};
}

// After a login the road goes on only with Update enabled.
std::optional<RoadOutcome> loginRefusal(app::ConsoleView& view, app::WindowLogic& logic, bool programmed) {
    if (view.isEnabled(app::Control::updateButton)) return std::nullopt;
    if (view.isVisible(app::Control::registrationDialog))
        return stopped("the server does not know this box: register it first (arvex-cli register)", 3,
                       programmed);
    if (logic.serverClient().session.blacklisted)
        return stopped("the server has blocked this box", 4, programmed);
    return stopped("the login failed", 1, programmed);
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

}  // namespace

RoadOutcome walkUpdateRoad(app::ConsoleView& view, app::UpdaterWindow& window, RoadRequest request,
                           const RoadNote& note) {
    app::WindowLogic& logic = window.logic();
    TimerDriver timers(logic, request.tick);
    if (!waitForBox(window.bootLoader(), request.waitSeconds, request.waitMessages))
        return stopped(
            "no box found within " + std::to_string(request.waitSeconds) + " s (see arvex-cli devices)",
            kNoBoxWithinTheWait);
    if (!timers.runUntil([&] { return logic.deviceConnected(); }))
        return stopped("the box went away before it was connected");
    if (request.connected) request.connected();
    const auto identifiedAndLoggedIn = [&] { return loggedIn(logic); };
    if (!timers.runUntil(identifiedAndLoggedIn)) return stopped("the identity read and login did not end");
    if (const std::string& serial = logic.serverClient().device.serial;
        request.serialKnown && !serial.empty())
        request.serialKnown(serial);
    if (auto refusal = loginRefusal(view, logic, false)) return *refusal;

    // The catalogue: open folders until a container (or the given entry) is on screen, then take it.
    logic.onUpdate();
    std::vector<std::string> visited;
    std::optional<std::string> chosenName;
    std::size_t actionFrom = 0;  // the first history line of the chosen file's download
    for (int step = 0; step < 16 && !chosenName; ++step) {
        if (!view.isVisible(app::Control::firmwareDialog) || logic.firmwareRowCount() == 0)
            return stopped("the server offers nothing for this box");
        const auto row = chooseRow(logic, request.fileId, visited);
        if (!row)
            return stopped(request.fileId ? "no such entry in the catalogue" : "no firmware for this box");
        const server::FileInfo& entry = logic.firmwareRow(static_cast<std::size_t>(*row));
        if (server::classifyFileType(&entry) == server::kFileClassFile) {
            chosenName = entry.name;
            note("Chosen: " + app::cp1252ToUtf8(entry.name));
        }
        view.selectRow(*row);
        logic.onFirmwareSelectionChange(true);
        actionFrom = view.history().size();
        logic.onSelectFirmware();
        if (chosenName && view.isVisible(app::Control::firmwareDialog))
            return stopped("the download failed: " + errorsSince(view, actionFrom));
    }
    if (!chosenName) return stopped("no firmware found in the catalogue");
    if (!app::isContainerName(*chosenName)) {
        const auto path = view.lastSavePath();
        return stopped("'" + app::cp1252ToUtf8(*chosenName) +
                           "' is not a firmware container: nothing was programmed; saved to " +
                           path.value_or("?"),
                       0);
    }

    // Programming, the final commands and the disconnect all run on the worker; once it has ended the log
    // tells how it went, failures at once.
    if (!timers.runUntil([&] { return !logic.operationRunning(); }))
        return stopped("programming did not end");
    const auto history = view.history();
    const auto said = [&](const char* line) {
        return std::find(history.begin() + static_cast<std::ptrdiff_t>(actionFrom), history.end(), line) !=
               history.end();
    };
    if (!said("Firmware has been updated successfully") || !said("Completed"))
        return stopped("programming failed: " + errorsSince(view, actionFrom));
    if (!timers.runUntil(identifiedAndLoggedIn)) return stopped("the box did not come back", 1, true);
    if (auto refusal = loginRefusal(view, logic, true)) return *refusal;
    return RoadOutcome{0, "done: the box was updated and logged in again", true};
}

}  // namespace cli
