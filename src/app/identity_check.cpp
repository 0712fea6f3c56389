#include "app/identity_check.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "catalogue/validators.h"

namespace app {
namespace {

bool isControlOrBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The box writes decimal numbers only; anything else (or a value outside 32 bits) shows "N/A".
std::string hardwareVersionShown(const std::string& text) {
    if (text.empty()) return "N/A";
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return "N/A";
    return std::to_string(value - 1);
}

}  // namespace

std::string trimControls(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && isControlOrBlank(text[first])) ++first;
    while (last > first && isControlOrBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

CheckedIdentity checkIdentity(const RawIdentity& raw) {
    CheckedIdentity id;
    id.reference = trimControls(raw.reference);
    id.date = trimControls(raw.date);
    id.serial = trimControls(raw.serial);
    id.reseller = raw.reseller;

    const bool valid = catalogue::checkText(id.reference, 3, 64) &&
                       catalogue::checkText(id.reseller, 2, 64) && catalogue::checkText(id.date, 8, 64) &&
                       catalogue::checkText(id.serial, 7, 64);
    if (!valid) {
        id.damaged = true;
        id.reference = "_FIX";
        if (!catalogue::checkText(id.reseller, 2, 64)) id.reseller = "N/A";
        if (!catalogue::checkText(id.date, 8, 64)) id.date = "N/A";
        if (!catalogue::checkText(id.serial, 7, 64)) id.serial = "N/A";
    }
    id.firmwareVersion = catalogue::checkText(raw.firmwareVersion, 0, 64) ? raw.firmwareVersion : "N/A";
    id.shownFirmwareVersion = id.firmwareVersion.empty() ? "N/A" : id.firmwareVersion;
    id.shownHardwareVersion = hardwareVersionShown(raw.hardwareVersion);
    return id;
}

bool beginsWithFactoryReference(const std::string& pid) {
    return pid.rfind("AK", 0) == 0 || pid.rfind("AW", 0) == 0;
}

}  // namespace app
