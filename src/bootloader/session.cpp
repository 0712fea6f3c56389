#include "bootloader/session.h"

#include <algorithm>

namespace bootloader {

namespace {

void setKey(std::array<std::uint8_t, 16>& key, const std::uint8_t* data, std::size_t length) {
    key.fill(0);
    if (data != nullptr) std::copy_n(data, std::min<std::size_t>(length, key.size()), key.begin());
}

}  // namespace

BootLoader::BootLoader(std::shared_ptr<hid::Backend> backend, EventCallback eventCallback,
                       std::string devicePath)
    : discovery_(std::move(backend), std::move(devicePath)) {
    (void)initialise();  // no worker runs yet: it cannot be refused
    setEventCallback(std::move(eventCallback));
}

BootLoader::~BootLoader() {
    std::lock_guard lock(workerMutex_);
    if (worker_.joinable()) worker_.join();
}

int BootLoader::initialise() {
    queryStatus = QueryStatus::cleared;
    eraseStatus = CommandStatus::none;
    readStatus = IdentityReadStatus::none;
    finishStatus = CommandStatus::none;
    command50Status = CommandStatus::none;
    identityKey.fill(0xFF);
    secondaryKey.fill(0xFF);
    connected = 0;
    inCallback = 0;
    writeOpenError = 0;
    readOpenError = 0;
    discoveryResult = 0;
    target = 0;
    identity = {};
    spareIdentity = {};
    keys = {};
    lastResult = 0;
    resetRequested = 0;
    eraseUserDataRequested = 0;
    {
        std::lock_guard lock(eventMutex_);
        callback_ = nullptr;
        event_ = Event{};
    }
    if (!discovery_.state().systemLibrariesBound)
        (void)bindSystemLibraries();  // a failure stays in the state
    progress = 0;
    programStatus = ProgramStatus::idle;
    options = kOptionWorkerThread;
    return 0;
}

void BootLoader::setEventCallback(EventCallback eventCallback) {
    std::lock_guard lock(eventMutex_);
    callback_ = std::move(eventCallback);
}

// The identity read uses the key on the worker: changing it meanwhile is refused like any setting.
AccessResult BootLoader::setIdentityKey(const std::uint8_t* data, std::size_t length) {
    if (isBusy()) return AccessResult::busy;
    setKey(identityKey, data, length);
    return AccessResult::ok;
}

AccessResult BootLoader::setSecondaryKey(const std::uint8_t* data, std::size_t length) {
    if (isBusy()) return AccessResult::busy;
    setKey(secondaryKey, data, length);
    return AccessResult::ok;
}

bool BootLoader::inCallbackHere() const {
    std::lock_guard lock(callbackThreadsMutex_);
    return std::find(callbackThreads_.begin(), callbackThreads_.end(), std::this_thread::get_id()) !=
           callbackThreads_.end();
}

bool BootLoader::isBusy() {
    if (inCallbackHere()) return false;
    return isWorkerRunning();
}

AccessResult BootLoader::selectTarget(std::int32_t t) {
    if (isBusy()) return AccessResult::busy;
    if (t != 0 && t != 1) return AccessResult::badIndex;
    target = t;
    return AccessResult::ok;
}

AccessResult BootLoader::setOptions(const std::uint8_t* value) {
    if (value == nullptr) return AccessResult::missingArgument;
    if (isBusy()) return AccessResult::busy;
    options = *value;
    return AccessResult::ok;
}

AccessResult BootLoader::getOptions(std::uint8_t* out) {
    if (out == nullptr) return AccessResult::missingArgument;
    if (isBusy()) return AccessResult::busy;
    *out = options;
    return AccessResult::ok;
}

AccessResult BootLoader::getField(int index, BootLoaderField* out) {
    if (out == nullptr) return AccessResult::missingArgument;
    if (isBusy()) return AccessResult::busy;
    const int table = index >> 8;
    const int t = index & 0xFF;
    if ((table != 1 && table != 2) || (t != 0 && t != 1)) return AccessResult::badIndex;
    *out = table == 1 ? identity[t] : spareIdentity[t];
    return AccessResult::ok;
}

AccessResult BootLoader::clearIdentity() {
    // Releasing the image buffers under a running read would pull memory from under the worker.
    if (isBusy()) return AccessResult::busy;
    connected = 0;
    disconnect();
    for (IdentityScratch& scratch : tables_.scratch) {
        scratch.reference.fill(0);
        scratch.serial = 0;
        scratch.reseller.fill(0);
    }
    for (auto* records : {&identity, &spareIdentity})
        for (BootLoaderField& field : *records) {
            field.reference.clear();
            field.serial.clear();
            field.date.clear();
            field.reseller.clear();
        }
    for (BootLoaderKeys& key : keys) {
        key.first.clear();
        key.second.clear();
    }
    return AccessResult::ok;
}

void BootLoader::postEvent(std::int32_t kind, std::int32_t code, std::int32_t operation,
                           const std::string& text, std::int32_t extra) {
    EventCallback callback;
    {
        std::lock_guard lock(eventMutex_);
        if (!callback_) return;
        callback = callback_;
        event_ = Event{kind, code, operation, text, extra};
    }
    const std::uint8_t savedFlag = inCallback;
    inCallback = 1;
    const std::thread::id here = std::this_thread::get_id();
    {
        std::lock_guard lock(callbackThreadsMutex_);
        callbackThreads_.push_back(here);
    }
    callback(kind, code, operation, text, extra);
    {
        std::lock_guard lock(callbackThreadsMutex_);
        callbackThreads_.erase(std::find(callbackThreads_.begin(), callbackThreads_.end(), here));
    }
    inCallback = savedFlag;
}

Event BootLoader::lastEvent() const {
    std::lock_guard lock(eventMutex_);
    return event_;
}

std::uint8_t BootLoader::findDevice() {
    return discovery_.findDevice(
        [this](const std::string& text) { postEvent(kEventError, kEventMissingEntryPoint, 0, text, 0); });
}

bool BootLoader::isDevicePresent() {
    if (isWorkerRunning()) return true;
    return discovery_.canOpenDevicePath();
}

void BootLoader::diagnostic(int level, const std::string& text) const {
    if (tables_.diagnosticHook) tables_.diagnosticHook(level, text);
}

hid::BindingError BootLoader::bindSystemLibraries() {
    tables_.scratch = {};
    const hid::BindingError code = discovery_.bindFacilities();
    if (code != hid::BindingError::ok) return code;
    discovery_.forgetDevicePath();
    tables_.map = MemoryMap{};
    return hid::BindingError::ok;
}

void BootLoader::disconnect() {
    releaseImages();
    discovery_.forgetDevicePath();
}

base::Status BootLoader::lastFailure() const {
    std::lock_guard lock(failureMutex_);
    return lastFailure_;
}

void BootLoader::noteFailure(const base::Status& failure) {
    std::lock_guard lock(failureMutex_);
    if (lastFailure_.ok()) lastFailure_ = failure;
}

PacketCounts BootLoader::lastProgramCounts(int target) const {
    std::lock_guard lock(countsMutex_);
    return programCounts_[target == 1 ? 1 : 0];
}

void BootLoader::storeProgramCounts(int target, const PacketCounts& counts) {
    std::lock_guard lock(countsMutex_);
    programCounts_[target == 1 ? 1 : 0] = counts;
}

}  // namespace bootloader
