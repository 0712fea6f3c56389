// Binding the platform's device services and finding the box among the present HID interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hid {

// Compared without regard to case, anywhere in an interface's hardware identifier.
inline constexpr const char* deviceMatchPattern = "Vid_2E4B&Pid_0001";

enum BindingError : std::uint32_t {
    kBindingOk = 0,
    kBindingNoDeviceSetup = 1,
    kBindingNoHidLibrary = 2,
    kBindingNoNotificationLibrary = 3,
    kBindingNoNotificationEntry = 4,
    kBindingNoRegionTable = 16,
};

// Process-wide state of the binding and of the last search.
struct DiscoveryState {
    bool systemLibrariesBound = false;  // set at the first attempt, whatever its outcome
    std::uint32_t bindingError = 0;
    std::string bindingErrorText;
    std::string devicePathRecord;  // the box's path; empty before the first successful search
};

DiscoveryState& discovery();
void resetDiscovery();  // for tests: as at process start

// Marks the binding as attempted and checks that the backend offers the binding's facilities.
// Returns 0 or the BindingError of the first one missing.
std::uint8_t bindFacilities();

// Called once for each device-search facility the backend lacks, with the text of its error event.
using MissingFacilityReporter = std::function<void(const std::string& text)>;

// 1 when a matching interface was found and devicePathRecord names it, else 0 (the record is kept).
std::uint8_t findDevice(const MissingFacilityReporter& reportMissing);

// True when hardwareId contains deviceMatchPattern, ignoring case.
bool matchesBox(const std::string& hardwareId);

// Whether the recorded path can be opened for reading right now.
bool canOpenDevicePath();

void forgetDevicePath();
inline const std::string& devicePathRecord() {
    return discovery().devicePathRecord;
}

}  // namespace hid
