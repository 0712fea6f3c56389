#include "hid/backend.h"

#include <mutex>

#include "hid/hidapi_backend.h"

namespace hid {

namespace {

std::mutex backendMutex;
std::shared_ptr<Backend> processBackend;

}  // namespace

void setBackend(std::shared_ptr<Backend> backend) {
    std::lock_guard lock(backendMutex);
    processBackend = std::move(backend);
}

std::shared_ptr<Backend> sharedBackend() {
    std::lock_guard lock(backendMutex);
    if (!processBackend) processBackend = std::make_shared<HidapiBackend>();
    return processBackend;
}

namespace {

// Errors that stand in for the platform's own when an open is refused before it reaches the platform.
constexpr int kPathNotFound = 2;

}  // namespace

Device::Device(const std::string& path, Access access) {
    if (path.empty()) {
        openError_ = kPathNotFound;
        return;
    }
    backend_ = sharedBackend();
    openError_ = backend_->open(path, access, handle_);
    if (openError_ != 0) {
        handle_ = kNoHandle;
    } else if (handle_ == kNoHandle) {
        openError_ = kPathNotFound;
    }
}

Device::~Device() {
    close();
}

int Device::write(const Report& report) {
    if (!isOpen()) return kPathNotFound;
    return backend_->write(handle_, report);
}

ReadStatus Device::read(Report& report, int timeoutMs) {
    if (!isOpen()) return kReadError;
    return backend_->read(handle_, report, timeoutMs);
}

void Device::close() {
    if (!isOpen()) return;
    backend_->close(handle_);
    handle_ = kNoHandle;
}

}  // namespace hid
