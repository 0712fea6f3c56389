// The demo's surroundings: a simulated box on the HID seam and the stand-in support server on a free
// loopback port with the sample catalogue. Shared by arvex-updater-demo and the screenshot tool.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/updater_window.h"

namespace sim {
class SimBackend;
}
namespace sim {
class SupportServer;
}

namespace ui {

struct DemoOptions {
    std::string preset = "good";
    std::string simTrace;  // frame trace of the simulated box; empty: none
    bool help = false;
    bool listPresets = false;
};

// The options of arvex-updater-demo; an error text when they cannot be read.
[[nodiscard]] std::optional<std::string> parseDemoOptions(const std::vector<std::string>& arguments,
                                                          DemoOptions& options);
[[nodiscard]] std::string demoUsage();
[[nodiscard]] std::string demoPresetList();

class DemoRoad {
public:
    DemoRoad();
    ~DemoRoad();
    DemoRoad(const DemoRoad&) = delete;
    DemoRoad& operator=(const DemoRoad&) = delete;

    // Plugs the preset's box in (paced like the real link, so that progress shows) and starts the server.
    // An error text when either cannot be done.
    [[nodiscard]] std::optional<std::string> start(const DemoOptions& options);

    // What the window logic needs: the simulated box as backend, the stand-in server as endpoint, and the
    // pauses as on the real box.
    app::UpdaterSetup setup() const;

    sim::SimBackend& box() { return *box_; }
    sim::SupportServer& server() { return *server_; }

private:
    std::shared_ptr<sim::SimBackend> box_;
    std::unique_ptr<sim::SupportServer> server_;
};

}  // namespace ui
