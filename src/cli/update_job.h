// One box's share of `update --all` and `--wait-new`: the update road on the box at a path, with its own
// BootLoader bound to that path, its own server client and window logic, and a console view whose log lines
// and progress go to the box's line of the fleet board.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/updater_window.h"
#include "cli/fleet.h"
#include "hid/backend.h"
#include "sim/server/registry.h"

namespace cli {

struct UpdateRequest {
    app::ServerEndpoint server;         // empty host: the configured support host
    std::optional<std::string> fileId;  // none: the first firmware container for the box
    int waitSeconds = 5;
    bool noCrypt = false;
    app::LogicSettings settings;
};

// The road on the box at path; resetAtEnd is set once the box was programmed (it was then reset).
[[nodiscard]] BoxOutcome updateBox(const std::shared_ptr<hid::Backend>& backend, const std::string& path,
                                   const UpdateRequest& request, BoxReporter& reporter);

// The stand-in server's registry for a simulated bus of boxCount boxes: the usual entries, and for every
// further position on the bus a copy of each entry under the serial a box of that preset carries there.
std::vector<sim::BoxRecord> registryForBus(std::size_t boxCount);

}  // namespace cli
