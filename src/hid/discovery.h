// Binding the platform's device services and finding the box among the present HID interfaces. Each
// session owns one Discovery over the backend it was handed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "hid/backend.h"

namespace hid {

// Compared without regard to case, anywhere in an interface's hardware identifier.
inline constexpr const char* deviceMatchPattern = "Vid_2E4B&Pid_0001";

enum class BindingError : std::uint32_t {
    ok = 0,
    noDeviceSetup = 1,
    noHidLibrary = 2,
    noNotificationLibrary = 3,
    noNotificationEntry = 4,
    noRegionTable = 16,
};

// The binding's outcome.
struct DiscoveryState {
    bool systemLibrariesBound = false;  // set at the first attempt, whatever its outcome
    BindingError bindingError = BindingError::ok;
    std::string bindingErrorText;
};

// Called once for each device-search facility the backend lacks, with the text of its error event.
using MissingFacilityReporter = std::function<void(const std::string& text)>;

// True when hardwareId contains deviceMatchPattern, ignoring case.
[[nodiscard]] bool matchesBox(const std::string& hardwareId);

class Discovery {
public:
    // boundPath: only the interface with this path counts as the box; empty: the first match.
    explicit Discovery(std::shared_ptr<Backend> backend, std::string boundPath = {});

    [[nodiscard]] Backend& backend() const { return *backend_; }
    [[nodiscard]] const std::shared_ptr<Backend>& sharedBackend() const { return backend_; }
    [[nodiscard]] const DiscoveryState& state() const { return state_; }
    [[nodiscard]] const std::string& boundPath() const { return boundPath_; }

    // Marks the binding as attempted and checks that the backend offers the binding's facilities.
    // Returns ok or the error of the first one missing.
    [[nodiscard]] BindingError bindFacilities();

    // 1 when a matching interface was found and devicePath() names it, else 0 (the path is kept).
    [[nodiscard]] std::uint8_t findDevice(const MissingFacilityReporter& reportMissing);

    // The box's path; empty before the first successful search and after forgetDevicePath.
    [[nodiscard]] std::string devicePath() const;
    // Whether the recorded path can be opened for reading right now.
    [[nodiscard]] bool canOpenDevicePath() const;
    void forgetDevicePath();

private:
    std::shared_ptr<Backend> backend_;
    std::string boundPath_;
    DiscoveryState state_;
    mutable std::mutex pathMutex_;  // the search runs on the worker, presence checks on the UI thread
    std::string devicePath_;
};

}  // namespace hid
