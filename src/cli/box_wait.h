// arvex-cli: waiting for a box to be plugged in, shared by every command that needs one.
#pragma once

#include <cstdio>

#include "bootloader/session.h"

namespace cli {

// Connects the session, trying again every 200 ms until a box answers or waitSeconds have passed
// (0: wait for ever; the default is GlobalOptions::waitSeconds). Says once on `say` what it waits for.
// True when connected.
[[nodiscard]] bool waitForBox(bootloader::BootLoader& session, int waitSeconds, std::FILE* say = stderr);

}  // namespace cli
