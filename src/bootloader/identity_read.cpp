#include "bootloader/long_operations.h"

namespace bootloader {

// Not available yet: reports a failed read without touching the box.
int readDeviceInformation(BootLoader& session) {
    session.readStatus = kReadFailed;
    session.progress = 100;
    return 0;
}

}  // namespace bootloader
