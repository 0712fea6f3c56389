// One box's share of `flash FILE --all`: connect to the box at a path, read its serial, load and check the
// image, erase and program it; every step on that box's own BootLoader and worker.
#pragma once

#include <memory>
#include <string>

#include "cli/fleet.h"
#include "hid/backend.h"

namespace cli {

struct FlashRequest {
    std::string file;     // the Intel HEX image
    int target = 0;       // 0 or 1
    int waitSeconds = 5;  // for the box to answer; 0: no limit
};

[[nodiscard]] BoxOutcome flashBox(const std::shared_ptr<hid::Backend>& backend, const std::string& path,
                                  const FlashRequest& request, BoxReporter& reporter);

// The serial of the box at path from its identity read, "" when it cannot be read.
[[nodiscard]] std::string readBoxSerial(const std::shared_ptr<hid::Backend>& backend, const std::string& path,
                                        int waitSeconds);

}  // namespace cli
