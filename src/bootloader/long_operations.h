// The two long operations, run by the operation routine for the current target.
#pragma once

#include "bootloader/session.h"

namespace bootloader {

// The programming half of operation 5: writes the image buffers into the box. 0 on success; sets
// programStatus and progress.
[[nodiscard]] int programDevice(BootLoader& session);

// Operation 1: reads the information area and decodes the identity of the current target. Always 0; the
// outcome is in readStatus.
[[nodiscard]] int readDeviceInformation(BootLoader& session);

}  // namespace bootloader
