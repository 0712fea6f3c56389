// The simulated box: a HID backend in the process that answers the bootloader's 65-byte reports like the
// real box does, with configurable geometry, link pacing, fault injection, a frame log and a frame trace.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid/backend.h"
#include "sim/box/box_config.h"
#include "sim/box/box_memory.h"
#include "sim/box/link_model.h"

namespace sim {

struct SimSettings {
    bool paced = false;        // one 64-byte report per 1 ms frame in each direction, like full speed
    int resetOffBusMs = 1000;  // how long a reset keeps the box off the bus
    // How long an erase keeps the box from answering; negative: 1500 ms when paced, else 0.
    int eraseMs = -1;
    std::uint32_t facilities = hid::kAllFacilities;  // what the platform offers; tests take some away
};

// What the box saw of each command, per target.
struct CommandCounts {
    int query = 0, erase = 0, programData = 0, programComplete = 0, readMemory = 0;
    int command06 = 0, eraseUserData = 0, reset = 0;
};

class SimBackend final : public hid::Backend {
public:
    using Clock = std::chrono::steady_clock;
    // Changes an answer just before the box sends it; tests use it to make the box lie.
    using AnswerFilter = std::function<void(hid::Report& answer)>;

    explicit SimBackend(const std::vector<BoxConfig>& boxes = {defaultBoxConfig()},
                        SimSettings settings = {});
    ~SimBackend() override;

    // hid::Backend
    std::uint32_t facilities() const override;
    std::vector<hid::DeviceInterface> enumerate() override;
    int open(const std::string& path, hid::Access access, hid::Handle& handle) override;
    int write(hid::Handle handle, const hid::Report& report) override;
    hid::ReadStatus read(hid::Handle handle, hid::Report& report, int timeoutMs) override;
    void close(hid::Handle handle) override;

    // Setup
    std::size_t addBox(const BoxConfig& config);  // returns its index; its path is pathOf(index)
    static std::string pathOf(std::size_t box);
    void setPaced(bool paced);
    void setResetOffBusMs(int ms);
    void setEraseMs(int ms);  // negative: the realistic default when paced, 0 unpaced
    void setFacilities(std::uint32_t facilities);
    BoxConfig config(std::size_t box = 0) const;

    // Memory, in image bytes from a device address (bytes outside every region read as 0xFF)
    std::vector<std::uint8_t> memory(int target, std::uint32_t address, std::size_t byteCount,
                                     std::size_t box = 0) const;
    void setMemory(int target, std::uint32_t address, const std::vector<std::uint8_t>& bytes,
                   std::size_t box = 0);
    // The memory of every box and target, to keep a box's state between runs.
    // Written to a temporary file beside `file` that then replaces it, so the old state stays whole when
    // the save fails or is cut off. False and the cause in *cause when it failed.
    [[nodiscard]] bool saveMemory(const std::string& file, std::string* cause = nullptr) const;
    // False, the cause in *cause and nothing changed when the file cannot be read or does not fit the layout.
    [[nodiscard]] bool loadMemory(const std::string& file, std::string* cause = nullptr);

    // What the host sent
    std::vector<hid::Report> hostFrames(std::size_t box = 0) const;
    void clearHostFrames();
    CommandCounts counts(int target, std::size_t box = 0) const;
    int command50Count(std::size_t box = 0) const;
    // Appends ">" or "<", a blank and the report in hex to this file, one line per report; empty: off.
    [[nodiscard]] bool setTraceFile(const std::string& file);

    // Faults
    void failOpens(hid::Access access, bool fail);
    void failWrites(bool fail);
    void failNthWrite(int n);   // the n-th host write from now fails (1 = the next one); 0 = off
    void dropNthAnswer(int n);  // the n-th answer from now is never sent; 0 = off
    void stopAnswering(bool stop);
    void unplug(std::size_t box = 0);
    void plug(std::size_t box = 0);
    void unplugAfterReports(int n, std::size_t box = 0);  // gone right after the n-th host report from now
    void setAnswerFilter(AnswerFilter filter);
    [[nodiscard]] bool isPresent(std::size_t box = 0) const;

private:
    struct Pending {
        hid::Report report;
        Clock::time_point readyAt;
    };
    struct Box {
        BoxConfig config;
        std::array<BoxMemory, 2> targets;
        std::array<CommandCounts, 2> counts;
        int command50 = 0;
        bool plugged = true;
        Clock::time_point offBusUntil{};
        unsigned generation = 0;  // changes whenever the box leaves the bus; older handles go stale
        int unplugAfter = 0;
        std::vector<hid::Report> hostFrames;
        LinkModel link;
    };
    struct OpenHandle {
        std::size_t box;
        unsigned generation;
        hid::Access access;
        std::deque<Pending> answers;
    };

    [[nodiscard]] bool presentLocked(const Box& box, Clock::time_point now) const;
    void leaveBus(Box& box);
    // The command interpreter (command_interpreter.cpp); the memory file is in memory_file.cpp.
    void process(std::size_t boxIndex, const hid::Report& frame, Clock::time_point sentAt);
    void deliver(std::size_t boxIndex, hid::Report answer, Clock::time_point sentAt);
    void traceLocked(char direction, const hid::Report& report);

    mutable std::mutex mutex_;
    std::condition_variable answered_;
    std::deque<Box> boxes_;  // a deque keeps references to boxes valid while one is added
    SimSettings settings_;
    std::map<hid::Handle, OpenHandle> handles_;
    hid::Handle nextHandle_ = 1;
    std::FILE* trace_ = nullptr;
    bool failReadOpens_ = false, failWriteOpens_ = false, failWrites_ = false, stopAnswering_ = false;
    int failWriteIn_ = 0, dropAnswerIn_ = 0;
    AnswerFilter answerFilter_;
};

}  // namespace sim
