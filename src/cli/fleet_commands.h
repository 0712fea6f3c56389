// arvex-cli flash FILE --all and --wait-new: the flash command on every box present, or on each box as it
// is plugged in.
#pragma once

#include <string>

#include "cli/commands.h"

namespace cli {

struct FleetChoice {
    bool all = false;      // --all: every box present now, in parallel
    bool waitNew = false;  // --wait-new: each box as it is plugged in, until interrupted
};

// The process exit code: 0 when every box was done, else the first non-zero in box order.
int flashEveryBox(const GlobalOptions& options, const std::string& file, int target, FleetChoice choice);

}  // namespace cli
