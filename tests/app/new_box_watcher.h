// --wait-new in a test: runOnEachNewBox on a thread of its own until stop(), and waits for what it does.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>
#include <utility>

#include "cli/fleet.h"

namespace testsupport {

// Polls until done() holds, for at most a minute; whether it holds.
template <class Done>
bool waitFor(const Done& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

class NewBoxWatcher {
public:
    NewBoxWatcher(hid::Backend& bus, cli::BoxJob job, cli::SerialReader readSerial, cli::FleetBoard& board)
        : board_(board), job_(std::move(job)), readSerial_(std::move(readSerial)) {
        thread_ = std::thread([this, &bus] {
            code_ = cli::runOnEachNewBox(bus, job_, readSerial_, board_, stop_,
                                         {std::chrono::milliseconds(50), std::chrono::milliseconds(30000)});
        });
    }
    ~NewBoxWatcher() { (void)stop(); }
    NewBoxWatcher(const NewBoxWatcher&) = delete;
    NewBoxWatcher& operator=(const NewBoxWatcher&) = delete;

    // Whether the board has `rows` rows and the last one has ended, within a minute.
    [[nodiscard]] bool waitForRows(std::size_t rows) const {
        return waitFor([&] { return board_.rowCount() == rows && board_.outcome(rows - 1).has_value(); });
    }

    // Stops the watch, waits for its running jobs and gives its exit code.
    [[nodiscard]] int stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return code_;
    }

private:
    cli::FleetBoard& board_;
    cli::BoxJob job_;
    cli::SerialReader readSerial_;
    std::atomic<bool> stop_{false};
    int code_ = -1;
    std::thread thread_;
};

}  // namespace testsupport
