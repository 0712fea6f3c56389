// arvex-cli: which box a command works with, from --device PATH|SERIAL and the boxes plugged in.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "hid/backend.h"

namespace cli {

// One box as `devices` shows it.
struct BoxListing {
    std::string path;
    std::string hardwareId;
    std::optional<std::string> serial;  // from the identity read, when it could be read
    std::string openProblem;            // empty: the box can be opened
};

// Every box on the backend; with details, each one's serial and whether it can be opened.
std::vector<BoxListing> listBoxes(const std::shared_ptr<hid::Backend>& backend, bool details = false);

struct BoxPick {
    std::string path;  // empty: the first box that appears (none is plugged in yet)
    ExitCode code = ExitCode::done;
};

// With --device: a present path is taken, else a serial is matched by reading each box's identity. Without
// it: the only box; with several, a refusal (usage) that lists them. Messages go to stderr.
BoxPick pickBox(const GlobalOptions& options, const std::shared_ptr<hid::Backend>& backend);

}  // namespace cli
