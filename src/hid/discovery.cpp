#include "hid/discovery.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "hid/backend.h"

namespace hid {

namespace {

struct BindingStep {
    Facility facility;
    BindingError error;
    const char* text;
};

constexpr std::array<BindingStep, 4> kBindingSteps = {{
    {kDeviceSetupLibrary, BindingError::noDeviceSetup, "ERROR loading setupapi.dll"},
    {kHidLibrary, BindingError::noHidLibrary, "ERROR loading hid.dll"},
    {kNotificationLibrary, BindingError::noNotificationLibrary, "ERROR loading user32.dll"},
    {kNotificationEntry, BindingError::noNotificationEntry, "RegisterDeviceNotification no encontrada"},
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

Discovery::Discovery(std::shared_ptr<Backend> backend, std::string boundPath)
    : backend_(backend ? std::move(backend) : makePlatformBackend()), boundPath_(std::move(boundPath)) {}

BindingError Discovery::bindFacilities() {
    state_.systemLibrariesBound = true;
    const std::uint32_t offered = backend_->facilities();
    for (const BindingStep& step : kBindingSteps) {
        if ((offered & step.facility) == 0) {
            state_.bindingError = step.error;
            state_.bindingErrorText = step.text;
            return step.error;
        }
    }
    return BindingError::ok;
}

bool matchesBox(const std::string& hardwareId) {
    return lowerCase(hardwareId).find(lowerCase(deviceMatchPattern)) != std::string::npos;
}

std::uint8_t Discovery::findDevice(const MissingFacilityReporter& reportMissing) {
    const std::uint32_t offered = backend_->facilities();
    bool complete = true;
    for (const SearchFacility& needed : kSearchFacilities) {
        if ((offered & needed.facility) != 0) continue;
        complete = false;
        if (reportMissing) reportMissing(needed.missingText);
    }
    // A search that lacks one of its steps cannot tell a match reliably: nothing is found.
    if (!complete) return 0;

    for (const DeviceInterface& candidate : backend_->enumerate()) {
        if (!matchesBox(candidate.hardwareId)) continue;
        if (!boundPath_.empty() && candidate.path != boundPath_) continue;
        if (candidate.path.empty()) return 0;
        std::lock_guard lock(pathMutex_);
        devicePath_ = candidate.path;
        return 1;
    }
    return 0;
}

std::string Discovery::devicePath() const {
    std::lock_guard lock(pathMutex_);
    return devicePath_;
}

bool Discovery::canOpenDevicePath() const {
    const Device probe(*backend_, devicePath(), Access::read);
    return probe.isOpen();
}

void Discovery::forgetDevicePath() {
    std::lock_guard lock(pathMutex_);
    devicePath_.clear();
}

}  // namespace hid
