// How an identity read from the box is validated and shown: trimming, the validity test, the "_FIX" and
// "N/A" replacements and the hardware version shown minus 1.
#pragma once

#include <string>

namespace app {

// The six identity texts as the bootloader reports them.
struct RawIdentity {
    std::string reference, serial, date, reseller, firmwareVersion, hardwareVersion;
};

struct CheckedIdentity {
    bool damaged = false;  // the validity test failed: reference "_FIX", failing fields "N/A"
    std::string reference, serial, date, reseller;
    std::string firmwareVersion;  // stored as it is (empty stays empty), "N/A" when it fails its check
    std::string shownFirmwareVersion;
    std::string shownHardwareVersion;
};

CheckedIdentity checkIdentity(const RawIdentity& raw);

// Leading and trailing bytes up to 32 (blanks and control characters) removed.
std::string trimControls(const std::string& text);

// Whether the box's reference names a factory model ("AK..." or "AW..."), which offers the factory reset.
[[nodiscard]] bool beginsWithFactoryReference(const std::string& pid);

}  // namespace app
