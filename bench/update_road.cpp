// The whole update road against one paced simulated box (48-byte packets, the realistic 1.5 s erase) and
// the stand-in server, from plug-in to the second login after the reset, through the same road and window
// logic as `arvex-cli update`. Prints each phase and the total as a ratio to its unavoidable part: the link
// time of the host's frames (one 1 ms frame each), the erase, the 3000 ms pause after programming, the
// connect timer's period and the reset's time off the bus. Target: <= 1.10.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/console_view.h"
#include "app/updater_window.h"
#include "cli/update_road.h"
#include "sim/box/presets.h"
#include "sim/server/support_server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kErase = 0x02, kProgramData = 0x03, kProgramComplete = 0x04, kReset = 0x12;
constexpr std::uint8_t kTargetOneOffset = 0x20;
constexpr double kFrameSeconds = 0.001;
constexpr double kEraseSeconds = 1.5;
constexpr double kPauseSeconds = 3.0;          // after programming, before the connection is dropped
constexpr double kConnectPeriodSeconds = 0.6;  // the connect timer
constexpr int kResetOffBusMs = 1000;

// The host's frames with the time each was written.
class TimedBus final : public hid::Backend {
public:
    explicit TimedBus(std::shared_ptr<sim::SimBackend> box) : box_(std::move(box)) {}
    std::uint32_t facilities() const override { return box_->facilities(); }
    std::vector<hid::DeviceInterface> enumerate() override { return box_->enumerate(); }
    int open(const std::string& path, hid::Access access, hid::Handle& handle) override {
        return box_->open(path, access, handle);
    }
    int write(hid::Handle handle, const hid::Report& report) override {
        {
            std::lock_guard lock(mutex_);
            std::uint8_t command = report[1];
            if (command >= kTargetOneOffset && command < 2 * kTargetOneOffset) command -= kTargetOneOffset;
            frames_.push_back({Clock::now(), command});
        }
        return box_->write(handle, report);
    }
    hid::ReadStatus read(hid::Handle handle, hid::Report& report, int timeoutMs) override {
        return box_->read(handle, report, timeoutMs);
    }
    void close(hid::Handle handle) override { box_->close(handle); }
    std::string lastError() const override { return box_->lastError(); }

    struct Frame {
        Clock::time_point at;
        std::uint8_t command;
    };
    std::vector<Frame> frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    std::shared_ptr<sim::SimBackend> box_;
    mutable std::mutex mutex_;
    std::vector<Frame> frames_;
};

// The log lines and the catalogue panel with the time each appeared; nothing is printed.
class TimedView final : public app::ConsoleView {
public:
    TimedView() : app::ConsoleView(nullptr, false) {}
    void appendLog(const std::string& entry) override {
        app::ConsoleView::appendLog(entry);
        std::lock_guard lock(mutex_);
        events_.push_back({Clock::now(), entry});
    }
    void setVisible(app::Control control, bool visible) override {
        app::ConsoleView::setVisible(control, visible);
        if (control != app::Control::firmwareDialog || !visible) return;
        std::lock_guard lock(mutex_);
        events_.push_back({Clock::now(), "[catalogue on screen]"});
    }
    // When the n-th line containing `text` appeared (n from 1).
    std::optional<Clock::time_point> when(const std::string& text, int n = 1) {
        std::lock_guard lock(mutex_);
        for (const auto& [at, line] : events_)
            if (line.find(text) != std::string::npos && --n == 0) return at;
        return std::nullopt;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<Clock::time_point, std::string>> events_;
};

double between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

int main() {
    sim::SupportServer server;
    if (!server.start(0)) {
        std::fprintf(stderr, "update_road: the stand-in server did not start\n");
        return 1;
    }
    const auto box = sim::makePresetBox("good");
    box->setPaced(true);
    box->setResetOffBusMs(kResetOffBusMs);
    box->unplug(0);
    const auto bus = std::make_shared<TimedBus>(box);

    TimedView view;
    app::UpdaterSetup setup;
    setup.backend = bus;
    setup.server = app::ServerEndpoint{"127.0.0.1", server.port()};
    auto window = app::buildUpdaterWindow(view, setup);
    window->logic().onWindowCreated();

    box->plug(0);
    const auto plugged = Clock::now();
    cli::RoadRequest request;
    const cli::RoadOutcome outcome = cli::walkUpdateRoad(view, *window, request, [](const std::string&) {});
    const auto ended = Clock::now();
    if (outcome.exitCode != 0) {
        std::fprintf(stderr, "update_road: %s\n", outcome.text.c_str());
        return 1;
    }

    // Phase boundaries: log lines and the host's frames.
    const auto frames = bus->frames();
    std::optional<Clock::time_point> firstErase, firstData, lastComplete, reset;
    for (const auto& frame : frames) {
        if (frame.command == kErase && !firstErase) firstErase = frame.at;
        if (frame.command == kProgramData && !firstData) firstData = frame.at;
        if (frame.command == kProgramComplete) lastComplete = frame.at;
        if (frame.command == kReset) reset = frame.at;
    }
    const auto connected = view.when("Connected to device");
    const auto loggedIn = view.when("Press the Update button");
    const auto catalogue = view.when("[catalogue on screen]");
    const auto downloaded = view.when("Download success");
    const auto completed = view.when("Completed");
    const auto loggedInAgain = view.when("Press the Update button", 2);
    if (!connected || !loggedIn || !catalogue || !downloaded || !firstErase || !firstData || !lastComplete ||
        !reset || !completed || !loggedInAgain) {
        std::fprintf(stderr, "update_road: a phase boundary is missing from the log or the frames\n");
        return 1;
    }
    struct Phase {
        const char* name;
        Clock::time_point from, to;
    };
    const Phase phases[] = {
        {"identity read", plugged, *connected},
        {"login", *connected, *loggedIn},
        {"listing", *loggedIn, *catalogue},
        {"download", *catalogue, *downloaded},
        {"erase", *firstErase, *firstData},
        {"programming", *firstData, *lastComplete},
        {"post-programming commands", *lastComplete, *reset},
        {"pause", *reset, *completed},
        {"reconnection and second login", *completed, *loggedInAgain},
    };
    std::printf("update road, one paced box (48-byte packets), %zu host frames\n", frames.size());
    for (const Phase& phase : phases)
        std::printf("  %-30s %8.3f s\n", phase.name, between(phase.from, phase.to));
    std::printf("  %-30s %8.3f s (download to erase)\n", "between", between(*downloaded, *firstErase));

    const double total = between(plugged, *loggedInAgain);
    const double linkSeconds = static_cast<double>(frames.size()) * kFrameSeconds;
    const double offBus = kResetOffBusMs / 1000.0;
    const double unavoidable = linkSeconds + kEraseSeconds + kPauseSeconds + kConnectPeriodSeconds + offBus;
    // The box's time off the bus runs inside the pause; counted once, the unavoidable part is smaller.
    const double strict = linkSeconds + kEraseSeconds + kPauseSeconds + kConnectPeriodSeconds;
    std::printf(
        "total %.3f s, unavoidable %.3f s (frames %.3f + erase %.1f + pause %.1f + connect period %.1f + "
        "off the bus %.1f)\n",
        total, unavoidable, linkSeconds, kEraseSeconds, kPauseSeconds, kConnectPeriodSeconds, offBus);
    std::printf("ratio %.3f (target <= 1.10); without the time off the bus that the pause covers: %.3f\n",
                total / unavoidable, total / strict);
    std::printf("(run to the end of the road: %.3f s)\n", between(plugged, ended));
    return 0;
}
