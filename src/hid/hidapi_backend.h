// The real backend: hidapi over the kernel's hidraw nodes.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "hid/backend.h"

struct hid_device_;

namespace hid {

class HidapiBackend final : public Backend {
public:
    HidapiBackend();
    ~HidapiBackend() override;

    std::uint32_t facilities() const override;
    std::vector<DeviceInterface> enumerate() override;
    int open(const std::string& path, Access access, Handle& handle) override;
    int write(Handle handle, const Report& report) override;
    ReadStatus read(Handle handle, Report& report, int timeoutMs) override;
    void close(Handle handle) override;

    // hidapi's text for the last failed open, write or read ("" when none failed yet).
    [[nodiscard]] std::string lastError() const override;

private:
    hid_device_* find(Handle handle);
    void noteError(hid_device_* device);

    mutable std::mutex errorMutex_;
    std::string lastError_;

    bool initialised_ = false;
    std::mutex mutex_;
    std::map<Handle, hid_device_*> devices_;
    Handle nextHandle_ = 1;
};

// "HID\VID_2E4B&PID_0001&REV_0100" from the USB identifiers.
std::string formatHardwareId(unsigned vendor, unsigned product, unsigned release);

}  // namespace hid
