#include "hid/discovery.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "hid/backend.h"

namespace hid {

namespace {

DiscoveryState state;

struct BindingStep {
    Facility facility;
    BindingError error;
    const char* text;
};

constexpr std::array<BindingStep, 4> kBindingSteps = {{
    {kDeviceSetupLibrary, kBindingNoDeviceSetup, "ERROR loading setupapi.dll"},
    {kHidLibrary, kBindingNoHidLibrary, "ERROR loading hid.dll"},
    {kNotificationLibrary, kBindingNoNotificationLibrary, "ERROR loading user32.dll"},
    {kNotificationEntry, kBindingNoNotificationEntry, "RegisterDeviceNotification no encontrada"},
}};

struct SearchFacility {
    Facility facility;
    const char* missingText;
};

constexpr std::array<SearchFacility, 6> kSearchFacilities = {{
    {kListDevices, "ERROR invoking SetupDiGetClassDevs function"},
    {kEnumerateInterfaces, "ERROR invoking SetupDiEnumDeviceInterfaces function"},
    {kReleaseDeviceList, "ERROR invoking SetupDiDestroyDeviceInfoList function"},
    {kInterfacePath, "ERROR invoking SetupDiGetDeviceInterfaceDetail function"},
    {kEnumerateDevices, "ERROR invoking SetupDiEnumDeviceInfo function"},
    {kHardwareId, "ERROR invoking SetupDiGetDeviceRegistryProperty function"},
}};

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

DiscoveryState& discovery() {
    return state;
}

void resetDiscovery() {
    state = DiscoveryState{};
}

std::uint8_t bindFacilities() {
    state.systemLibrariesBound = true;
    const std::uint32_t offered = backend().facilities();
    for (const BindingStep& step : kBindingSteps) {
        if ((offered & step.facility) == 0) {
            state.bindingError = step.error;
            state.bindingErrorText = step.text;
            return static_cast<std::uint8_t>(step.error);
        }
    }
    return kBindingOk;
}

bool matchesBox(const std::string& hardwareId) {
    return lowerCase(hardwareId).find(lowerCase(deviceMatchPattern)) != std::string::npos;
}

std::uint8_t findDevice(const MissingFacilityReporter& reportMissing) {
    Backend& platform = backend();
    const std::uint32_t offered = platform.facilities();
    bool complete = true;
    for (const SearchFacility& needed : kSearchFacilities) {
        if ((offered & needed.facility) != 0) continue;
        complete = false;
        if (reportMissing) reportMissing(needed.missingText);
    }
    // A search that lacks one of its steps cannot tell a match reliably: nothing is found.
    if (!complete) return 0;

    for (const DeviceInterface& candidate : platform.enumerate()) {
        if (!matchesBox(candidate.hardwareId)) continue;
        if (candidate.path.empty()) return 0;
        state.devicePathRecord = candidate.path;
        return 1;
    }
    return 0;
}

bool canOpenDevicePath() {
    Device probe(state.devicePathRecord, Access::read);
    return probe.isOpen();
}

void forgetDevicePath() {
    state.devicePathRecord.clear();
}

}  // namespace hid
