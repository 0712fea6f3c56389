// arvex-cli flash FILE --all and --wait-new: the flash command on every box present, or on each box as it
// is plugged in.
#pragma once

#include <optional>
#include <string>

#include "cli/commands.h"

namespace cli {

struct FleetChoice {
    bool all = false;      // --all: every box present now, in parallel
    bool waitNew = false;  // --wait-new: each box as it is plugged in, until interrupted
};

// The process exit code: 0 when every box was done, else the first non-zero in box order.
[[nodiscard]] int flashEveryBox(const GlobalOptions& options, const std::string& file, int target,
                                FleetChoice choice);

// The update road on every box, or on each box as it is plugged in; with --simulate and no --server the
// stand-in server runs in the process and knows every box of the simulated bus.
[[nodiscard]] int updateEveryBox(const GlobalOptions& options, const std::optional<std::string>& fileId,
                                 FleetChoice choice);

}  // namespace cli
