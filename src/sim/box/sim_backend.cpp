#include "sim/box/sim_backend.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "hid/tracing_backend.h"

namespace sim {

namespace {

using std::chrono::milliseconds;
constexpr milliseconds kFrame{1};
constexpr int kPacedEraseMs = 1500;  // a full-size flash part erases in one to three seconds

// The end of the 1 ms USB frame in which a transfer submitted at t can complete.
SimBackend::Clock::time_point nextFrameEdge(SimBackend::Clock::time_point t) {
    return SimBackend::Clock::time_point(std::chrono::ceil<milliseconds>(t.time_since_epoch()));
}

constexpr int kNoDevice = ENODEV;
constexpr int kIoError = EIO;

}  // namespace

SimBackend::SimBackend(std::vector<BoxConfig> boxes, SimSettings settings) : settings_(settings) {
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

    auto sentAt = Clock::now();
    if (settings_.paced) {
        // One report per frame: the write completes at the end of the next free frame.
        sentAt = std::max(nextFrameEdge(sentAt), box.lastOutDone + kFrame);
        box.lastOutDone = sentAt;
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
        if (it == handles_.end()) return hid::kReadError;
        OpenHandle& open = it->second;
        const Box& box = boxes_[open.box];
        const auto now = Clock::now();
        if (open.generation != box.generation || !presentLocked(box, now)) return hid::kReadError;
        if (!open.answers.empty() && open.answers.front().readyAt <= now) {
            report = open.answers.front().report;
            open.answers.pop_front();
            return hid::kReadOk;
        }
        if (now >= deadline) return hid::kReadTimeout;
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
    auto readyAt = std::max(sentAt, box.erasedAt);
    if (settings_.paced) {
        // The answer travels in a later frame than its request, one answer per frame.
        readyAt = std::max(readyAt + kFrame, box.lastAnswerReady + kFrame);
        box.lastAnswerReady = readyAt;
    }
    traceLocked('<', answer);
    // Like the platform's HID driver: every handle open for reading gets its own copy.
    for (auto& [handle, open] : handles_)
        if (open.box == boxIndex && open.access == hid::Access::read && open.generation == box.generation)
            open.answers.push_back({answer, readyAt});
    answered_.notify_all();
}

void SimBackend::process(std::size_t boxIndex, const hid::Report& frame, Clock::time_point sentAt) {
    Box& box = boxes_[boxIndex];
    const std::uint8_t command = frame[1];
    if (command == 0x50) {
        ++box.command50;
        return;
    }
    const int target = command >= 0x20 ? 1 : 0;
    BoxMemory& memory = box.targets[target];
    CommandCounts& counts = box.counts[target];
    switch (command - 0x20 * target) {
        case 0x01:
            ++counts.query;
            deliver(boxIndex, memory.queryAnswer(command), sentAt);
            break;
        case 0x02:
            ++counts.erase;
            memory.erase(box.config.protectedStart, box.config.protectedEnd);
            {
                const int eraseMs = settings_.eraseMs >= 0 ? settings_.eraseMs
                                    : settings_.paced      ? kPacedEraseMs
                                                           : 0;
                box.erasedAt = std::max(box.erasedAt, sentAt + milliseconds(eraseMs));
            }
            break;
        case 0x03:
            ++counts.programData;
            memory.programData(frame);
            break;
        case 0x04:
            ++counts.programComplete;
            break;
        case 0x05:
            ++counts.readMemory;
            deliver(boxIndex, memory.readAnswer(frame), sentAt);
            break;
        case 0x06:
            ++counts.command06;
            break;
        case 0x09:
            ++counts.eraseUserData;
            break;
        case 0x12:
            ++counts.reset;
            // Processor 0 carries the USB interface: only its reset takes the box off the bus.
            if (target == 0) {
                box.offBusUntil = Clock::now() + milliseconds(settings_.resetOffBusMs);
                leaveBus(box);
            }
            break;
        default:
            break;  // unknown commands are ignored, like the box does
    }
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

// The memory file: a header line, then per box and target and region a line "region B T START SIZE BYTES"
// followed by that many raw bytes.
bool SimBackend::saveMemory(const std::string& file, std::string* cause) const {
    const auto failed = [cause](std::string text) {
        if (cause != nullptr) *cause = std::move(text);
        return false;
    };
    std::string text = "arvex-sim-memory 1\n";
    {
        std::lock_guard lock(mutex_);
        for (std::size_t b = 0; b < boxes_.size(); ++b)
            for (int t = 0; t < 2; ++t) {
                const BoxMemory& memory = boxes_[b].targets[t];
                for (std::size_t r = 0; r < memory.images().size(); ++r) {
                    const auto& image = memory.images()[r];
                    text += "region " + std::to_string(b) + ' ' + std::to_string(t) + ' ' +
                            std::to_string(memory.layout().regions[r].start) + ' ' +
                            std::to_string(memory.layout().regions[r].size) + ' ' +
                            std::to_string(image.size()) + '\n';
                    text.append(image.begin(), image.end());
                }
            }
    }
    std::string temporary = file + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return failed(std::string("cannot create a file beside it: ") + std::strerror(errno));
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            ::unlink(temporary.c_str());
            return failed("cannot write: " + reason);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        return failed("cannot write: " + reason);
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        return failed("cannot replace it: " + reason);
    }
    return true;
}

bool SimBackend::loadMemory(const std::string& file, std::string* cause) {
    const auto failed = [cause](std::string text) {
        if (cause != nullptr) *cause = std::move(text);
        return false;
    };
    std::lock_guard lock(mutex_);
    std::ifstream in(file, std::ios::binary);
    if (!in) return failed(std::string("cannot open it: ") + std::strerror(errno));
    std::string header;
    if (!std::getline(in, header) || header != "arvex-sim-memory 1")
        return failed("it is not a simulated box's memory file");
    std::vector<std::vector<std::vector<std::uint8_t>>> loaded;  // [box * 2 + target][region]
    for (std::size_t b = 0; b < boxes_.size(); ++b)
        for (int t = 0; t < 2; ++t) {
            const BoxMemory& memory = boxes_[b].targets[t];
            auto& images = loaded.emplace_back();
            for (std::size_t r = 0; r < memory.images().size(); ++r) {
                std::string word;
                std::size_t box = 0, target = 0, bytes = 0;
                std::uint32_t start = 0, size = 0;
                in >> word >> box >> target >> start >> size >> bytes;
                const SimRegion& region = memory.layout().regions[r];
                if (!in || word != "region") return failed("it is cut short or damaged");
                if (box != b || target != static_cast<std::size_t>(t) || start != region.start ||
                    size != region.size || bytes != memory.images()[r].size())
                    return failed("it was saved from a box of another layout");
                in.get();  // the line's end
                std::vector<std::uint8_t> image(bytes);
                in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(bytes));
                if (!in) return failed("it is cut short");
                images.push_back(std::move(image));
            }
        }
    for (std::size_t b = 0; b < boxes_.size(); ++b)
        for (int t = 0; t < 2; ++t) boxes_[b].targets[t].images() = std::move(loaded[b * 2 + t]);
    return true;
}

}  // namespace sim
