#include "sim/box/sim_backend.h"

#include <cerrno>
#include <cstdio>
#include <thread>

#include "hid/tracing_backend.h"

namespace sim {

namespace {

using std::chrono::milliseconds;

constexpr int kNoDevice = ENODEV;
constexpr int kIoError = EIO;

}  // namespace

SimBackend::SimBackend(const std::vector<BoxConfig>& boxes, SimSettings settings) : settings_(settings) {
    for (const BoxConfig& config : boxes) addBox(config);
}

SimBackend::~SimBackend() {
    if (trace_ != nullptr) std::fclose(trace_);
}

std::size_t SimBackend::addBox(const BoxConfig& config) {
    std::lock_guard lock(mutex_);
    Box box;
    box.config = config;
    for (int t = 0; t < 2; ++t) box.targets[t] = BoxMemory(config.targets[t]);
    boxes_.push_back(std::move(box));
    return boxes_.size() - 1;
}

std::string SimBackend::pathOf(std::size_t box) {
    return "sim:box" + std::to_string(box);
}

void SimBackend::setPaced(bool paced) {
    std::lock_guard lock(mutex_);
    settings_.paced = paced;
}

void SimBackend::setResetOffBusMs(int ms) {
    std::lock_guard lock(mutex_);
    settings_.resetOffBusMs = ms;
}

void SimBackend::setEraseMs(int ms) {
    std::lock_guard lock(mutex_);
    settings_.eraseMs = ms;
}

void SimBackend::setFacilities(std::uint32_t facilities) {
    std::lock_guard lock(mutex_);
    settings_.facilities = facilities;
}

BoxConfig SimBackend::config(std::size_t box) const {
    std::lock_guard lock(mutex_);
    return boxes_.at(box).config;
}

std::uint32_t SimBackend::facilities() const {
    std::lock_guard lock(mutex_);
    return settings_.facilities;
}

bool SimBackend::presentLocked(const Box& box, Clock::time_point now) const {
    return box.plugged && now >= box.offBusUntil;
}

bool SimBackend::isPresent(std::size_t box) const {
    std::lock_guard lock(mutex_);
    return presentLocked(boxes_.at(box), Clock::now());
}

std::vector<hid::DeviceInterface> SimBackend::enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<hid::DeviceInterface> present;
    const auto now = Clock::now();
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (presentLocked(boxes_[i], now)) present.push_back({boxes_[i].config.hardwareId, pathOf(i)});
    return present;
}

int SimBackend::open(const std::string& path, hid::Access access, hid::Handle& handle) {
    std::lock_guard lock(mutex_);
    handle = hid::kNoHandle;
    const auto now = Clock::now();
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (path != pathOf(i)) continue;
        if (!presentLocked(boxes_[i], now)) return kNoDevice;
        if ((access == hid::Access::read && failReadOpens_) ||
            (access == hid::Access::write && failWriteOpens_))
            return EACCES;
        handle = nextHandle_++;
        handles_[handle] = OpenHandle{i, boxes_[i].generation, access, {}};
        return 0;
    }
    return ENOENT;
}

void SimBackend::close(hid::Handle handle) {
    std::lock_guard lock(mutex_);
    handles_.erase(handle);
}

void SimBackend::leaveBus(Box& box) {
    ++box.generation;
    answered_.notify_all();
}

int SimBackend::write(hid::Handle handle, const hid::Report& report) {
    std::unique_lock lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return EBADF;
    const std::size_t boxIndex = it->second.box;
    Box& box = boxes_[boxIndex];
    if (it->second.generation != box.generation || !presentLocked(box, Clock::now())) return kNoDevice;
    if (failWrites_) return kIoError;
    if (failWriteIn_ > 0 && --failWriteIn_ == 0) return kIoError;

    const auto sentAt = box.link.sendSlot(Clock::now(), settings_.paced);
    if (settings_.paced) {
        lock.unlock();
        std::this_thread::sleep_until(sentAt);
        lock.lock();
        if (it = handles_.find(handle); it == handles_.end()) return EBADF;
    }
    box.hostFrames.push_back(report);
    traceLocked('>', report);
    process(boxIndex, report, sentAt);
    if (box.unplugAfter > 0 && --box.unplugAfter == 0) {
        box.plugged = false;
        leaveBus(box);
    }
    return 0;
}

hid::ReadStatus SimBackend::read(hid::Handle handle, hid::Report& report, int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        auto it = handles_.find(handle);
        if (it == handles_.end()) return hid::ReadStatus::error;
        OpenHandle& open = it->second;
        const Box& box = boxes_[open.box];
        const auto now = Clock::now();
        if (open.generation != box.generation || !presentLocked(box, now)) return hid::ReadStatus::error;
        if (!open.answers.empty() && open.answers.front().readyAt <= now) {
            report = open.answers.front().report;
            open.answers.pop_front();
            return hid::ReadStatus::ok;
        }
        if (now >= deadline) return hid::ReadStatus::timeout;
        auto wake = deadline;
        if (!open.answers.empty()) wake = std::min(wake, open.answers.front().readyAt);
        answered_.wait_until(lock, wake);
    }
}

void SimBackend::deliver(std::size_t boxIndex, hid::Report answer, Clock::time_point sentAt) {
    if (stopAnswering_) return;
    if (dropAnswerIn_ > 0 && --dropAnswerIn_ == 0) return;
    if (answerFilter_) answerFilter_(answer);
    Box& box = boxes_[boxIndex];
    const auto readyAt = box.link.answerSlot(sentAt, settings_.paced);
    traceLocked('<', answer);
    // Like the platform's HID driver: every handle open for reading gets its own copy.
    for (auto& [handle, open] : handles_)
        if (open.box == boxIndex && open.access == hid::Access::read && open.generation == box.generation)
            open.answers.push_back({answer, readyAt});
    answered_.notify_all();
}

void SimBackend::traceLocked(char direction, const hid::Report& report) {
    if (trace_ == nullptr) return;
    const std::string line = hid::traceLine(direction, report) + '\n';
    std::fwrite(line.data(), 1, line.size(), trace_);
    std::fflush(trace_);
}

bool SimBackend::setTraceFile(const std::string& file) {
    std::lock_guard lock(mutex_);
    if (trace_ != nullptr) std::fclose(trace_);
    trace_ = nullptr;
    if (file.empty()) return true;
    trace_ = std::fopen(file.c_str(), "a");
    return trace_ != nullptr;
}

std::vector<std::uint8_t> SimBackend::memory(int target, std::uint32_t address, std::size_t byteCount,
                                             std::size_t box) const {
    std::lock_guard lock(mutex_);
    return boxes_.at(box).targets.at(target).read(address, byteCount);
}

void SimBackend::setMemory(int target, std::uint32_t address, const std::vector<std::uint8_t>& bytes,
                           std::size_t box) {
    std::lock_guard lock(mutex_);
    boxes_.at(box).targets.at(target).write(address, bytes);
}

std::vector<hid::Report> SimBackend::hostFrames(std::size_t box) const {
    std::lock_guard lock(mutex_);
    return boxes_.at(box).hostFrames;
}

void SimBackend::clearHostFrames() {
    std::lock_guard lock(mutex_);
    for (Box& box : boxes_) box.hostFrames.clear();
}

CommandCounts SimBackend::counts(int target, std::size_t box) const {
    std::lock_guard lock(mutex_);
    return boxes_.at(box).counts.at(target);
}

int SimBackend::command50Count(std::size_t box) const {
    std::lock_guard lock(mutex_);
    return boxes_.at(box).command50;
}

void SimBackend::failOpens(hid::Access access, bool fail) {
    std::lock_guard lock(mutex_);
    (access == hid::Access::read ? failReadOpens_ : failWriteOpens_) = fail;
}

void SimBackend::failWrites(bool fail) {
    std::lock_guard lock(mutex_);
    failWrites_ = fail;
}

void SimBackend::failNthWrite(int n) {
    std::lock_guard lock(mutex_);
    failWriteIn_ = std::max(n, 0);
}

void SimBackend::dropNthAnswer(int n) {
    std::lock_guard lock(mutex_);
    dropAnswerIn_ = std::max(n, 0);
}

void SimBackend::stopAnswering(bool stop) {
    std::lock_guard lock(mutex_);
    stopAnswering_ = stop;
}

void SimBackend::unplug(std::size_t box) {
    std::lock_guard lock(mutex_);
    Box& b = boxes_.at(box);
    b.plugged = false;
    leaveBus(b);
}

void SimBackend::plug(std::size_t box) {
    std::lock_guard lock(mutex_);
    boxes_.at(box).plugged = true;
}

void SimBackend::unplugAfterReports(int n, std::size_t box) {
    std::lock_guard lock(mutex_);
    boxes_.at(box).unplugAfter = std::max(n, 0);
}

void SimBackend::setAnswerFilter(AnswerFilter filter) {
    std::lock_guard lock(mutex_);
    answerFilter_ = std::move(filter);
}

}  // namespace sim
