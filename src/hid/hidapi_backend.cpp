#include "hid/hidapi_backend.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace hid {

std::string formatHardwareId(unsigned vendor, unsigned product, unsigned release) {
    char text[48];
    std::snprintf(text, sizeof text, "HID\\VID_%04X&PID_%04X&REV_%04X", vendor & 0xFFFFu, product & 0xFFFFu,
                  release & 0xFFFFu);
    return text;
}

namespace {

// hidapi's messages are wide strings of plain ASCII; other characters become '?'.
std::string narrow(const wchar_t* text) {
    std::string out;
    if (text == nullptr) return out;
    for (; *text != 0; ++text) out += (*text > 0 && *text < 0x80) ? static_cast<char>(*text) : '?';
    return out;
}

// hidapi's hid_init and hid_exit act on the whole process, so they are the one process-wide state of the
// HID link: the first HidapiBackend initialises the library, the last one to go calls hid_exit.
class ProcessHidapi {
public:
    static ProcessHidapi& instance() {
        static ProcessHidapi library;
        return library;
    }
    // Whether the library is usable.
    bool acquire() {
        std::lock_guard lock(mutex_);
        if (users_++ == 0) usable_ = hid_init() == 0;
        return usable_;
    }
    void release() {
        std::lock_guard lock(mutex_);
        if (--users_ == 0 && usable_) hid_exit();
    }

private:
    std::mutex mutex_;
    int users_ = 0;
    bool usable_ = false;
};

}  // namespace

void HidapiBackend::noteError(hid_device_* device) {
    std::string text = narrow(hid_error(device));
    if (text.empty()) text = "unknown hidapi error";
    std::lock_guard lock(errorMutex_);
    lastError_ = std::move(text);
}

std::string HidapiBackend::lastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

HidapiBackend::HidapiBackend() : initialised_(ProcessHidapi::instance().acquire()) {}

HidapiBackend::~HidapiBackend() {
    for (auto& [handle, device] : devices_) hid_close(device);
    ProcessHidapi::instance().release();
}

std::uint32_t HidapiBackend::facilities() const {
    // Without a working HID library there is no way to list or open devices at all.
    return initialised_ ? kAllFacilities : kAllFacilities & ~kDeviceSetupLibrary;
}

std::vector<DeviceInterface> HidapiBackend::enumerate() {
    std::vector<DeviceInterface> found;
    if (!initialised_) return found;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* info = list; info != nullptr; info = info->next) {
        if (info->path == nullptr) continue;
        found.push_back(
            {formatHardwareId(info->vendor_id, info->product_id, info->release_number), info->path});
    }
    hid_free_enumeration(list);
    // The kernel's listing order may change between calls; the path order does not.
    std::sort(found.begin(), found.end(),
              [](const DeviceInterface& a, const DeviceInterface& b) { return a.path < b.path; });
    return found;
}

int HidapiBackend::open(const std::string& path, Access, Handle& handle) {
    handle = kNoHandle;
    if (!initialised_) return ENODEV;
    errno = 0;
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        const int error = errno != 0 ? errno : ENODEV;
        noteError(nullptr);
        return error;
    }
    std::lock_guard lock(mutex_);
    handle = nextHandle_++;
    devices_[handle] = device;
    return 0;
}

hid_device_* HidapiBackend::find(Handle handle) {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(handle);
    return it == devices_.end() ? nullptr : it->second;
}

int HidapiBackend::write(Handle handle, const Report& report) {
    hid_device* device = find(handle);
    if (device == nullptr) return EBADF;
    // Byte 0 is the report identifier 0, so hidapi sends the 64 data bytes as an unnumbered report.
    const int written = hid_write(device, report.data(), report.size());
    if (written == static_cast<int>(report.size())) return 0;
    noteError(device);
    return EIO;
}

ReadStatus HidapiBackend::read(Handle handle, Report& report, int timeoutMs) {
    hid_device* device = find(handle);
    if (device == nullptr) return ReadStatus::error;
    report.fill(0);
    // hidapi hands back the data of an unnumbered report without its identifier byte.
    const int count = hid_read_timeout(device, report.data() + 1, report.size() - 1, timeoutMs);
    if (count < 0) {
        noteError(device);
        return ReadStatus::error;
    }
    return count == 0 ? ReadStatus::timeout : ReadStatus::ok;
}

void HidapiBackend::close(Handle handle) {
    hid_device* device = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = devices_.find(handle);
        if (it == devices_.end()) return;
        device = it->second;
        devices_.erase(it);
    }
    hid_close(device);
}

}  // namespace hid
