// Programming: what programDevice() writes and skips is kept per target in the session
// (BootLoader::lastProgramCounts).
#pragma once

#include "bootloader/packet_writer.h"
