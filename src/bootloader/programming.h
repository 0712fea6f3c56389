// Programming: what the last run of programDevice() wrote and skipped, per target, for progress reports.
#pragma once

#include "bootloader/packet_writer.h"

namespace bootloader {

PacketCounts lastProgramCounts(int target);
void resetProgramCounts();

}  // namespace bootloader
