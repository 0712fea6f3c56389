// The small seam between the updater and the platform's HID services: list the present HID interfaces,
// open one by path, move 65-byte reports. Whoever talks to a box is handed the backend it uses; several
// sessions may share one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"

namespace hid {

// Byte 0 is the report identifier (always 0), bytes 1..64 the report's data.
inline constexpr std::size_t kReportSize = 65;
using Report = std::array<std::uint8_t, kReportSize>;

struct DeviceInterface {
    std::string hardwareId;  // e.g. "HID\VID_2E4B&PID_0001&REV_0100"
    std::string path;        // what open() accepts
};

enum class Access { read, write };

using Handle = std::uint64_t;
inline constexpr Handle kNoHandle = 0;

enum class ReadStatus : int {
    ok = 0,
    timeout = 1,  // nothing arrived within the time-out
    error = 2,    // the device is gone or the handle is unusable
};

// What a platform must offer; the binding checks the first four, the device search the other six.
enum Facility : std::uint32_t {
    kDeviceSetupLibrary = 1u << 0,
    kHidLibrary = 1u << 1,
    kNotificationLibrary = 1u << 2,
    kNotificationEntry = 1u << 3,
    kListDevices = 1u << 4,
    kEnumerateInterfaces = 1u << 5,
    kReleaseDeviceList = 1u << 6,
    kInterfacePath = 1u << 7,
    kEnumerateDevices = 1u << 8,
    kHardwareId = 1u << 9,
    kAllFacilities = (1u << 10) - 1,
};

class Backend {
public:
    virtual ~Backend() = default;

    [[nodiscard]] virtual std::uint32_t facilities() const { return kAllFacilities; }
    // The present interfaces, in an order that stays the same while nothing is plugged or unplugged.
    virtual std::vector<DeviceInterface> enumerate() = 0;
    // 0 and a handle, or a non-zero platform error and kNoHandle.
    [[nodiscard]] virtual int open(const std::string& path, Access access, Handle& handle) = 0;
    // Blocks until the report is written; 0 or a non-zero error.
    [[nodiscard]] virtual int write(Handle handle, const Report& report) = 0;
    // Waits up to timeoutMs (0: only what is already there) for one report.
    [[nodiscard]] virtual ReadStatus read(Handle handle, Report& report, int timeoutMs) = 0;
    virtual void close(Handle handle) = 0;
    // The platform library's own text for its last failure ("" when it keeps none).
    [[nodiscard]] virtual std::string lastError() const { return {}; }
};

// The backend on the machine's real HID link (hidapi).
[[nodiscard]] std::shared_ptr<Backend> makePlatformBackend();

// One open path, closed when it goes out of scope. The backend must outlive it.
class Device {
public:
    Device(Backend& backend, std::string path, Access access);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    [[nodiscard]] bool isOpen() const { return handle_ != kNoHandle; }
    [[nodiscard]] int openError() const { return openError_; }
    // Success, or why the open failed: "cannot open /dev/hidraw3: Permission denied".
    [[nodiscard]] base::Status openStatus() const;
    [[nodiscard]] int write(const Report& report);
    [[nodiscard]] ReadStatus read(Report& report, int timeoutMs);
    void close();

private:
    Backend& backend_;
    std::string path_;
    Handle handle_ = kNoHandle;
    int openError_ = 0;
};

}  // namespace hid
