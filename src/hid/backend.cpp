#include "hid/backend.h"

#include <cstring>

#include "hid/hidapi_backend.h"

namespace hid {

std::shared_ptr<Backend> makePlatformBackend() {
    return std::make_shared<HidapiBackend>();
}

namespace {

// Errors that stand in for the platform's own when an open is refused before it reaches the platform.
constexpr int kPathNotFound = 2;

}  // namespace

Device::Device(Backend& backend, std::string path, Access access)
    : backend_(backend), path_(std::move(path)) {
    if (path_.empty()) {
        openError_ = kPathNotFound;
        return;
    }
    openError_ = backend_.open(path_, access, handle_);
    if (openError_ != 0) {
        handle_ = kNoHandle;
    } else if (handle_ == kNoHandle) {
        openError_ = kPathNotFound;
    }
}

Device::~Device() {
    close();
}

base::Status Device::openStatus() const {
    if (isOpen()) return {};
    if (path_.empty()) return base::Status::failure("no box found to open");
    std::string cause = "cannot open " + path_ + ": " + std::strerror(openError_);
    if (const std::string library = backend_.lastError(); !library.empty()) cause += " (" + library + ")";
    return base::Status::failure(cause);
}

int Device::write(const Report& report) {
    if (!isOpen()) return kPathNotFound;
    return backend_.write(handle_, report);
}

ReadStatus Device::read(Report& report, int timeoutMs) {
    if (!isOpen()) return ReadStatus::error;
    return backend_.read(handle_, report, timeoutMs);
}

void Device::close() {
    if (!isOpen()) return;
    backend_.close(handle_);
    handle_ = kNoHandle;
}

}  // namespace hid
