// Test fixture: the simulated box, a session on it that records its events, and short time-outs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "bootloader/session.h"
#include "bootloader/settings.h"
#include "sim/box/sim_backend.h"
#include "support/box_results.h"

namespace testsupport {

class SimSession : public ::testing::Test {
protected:
    void SetUp() override { start({sim::defaultBoxConfig()}); }

    // Replaces the box(es) and the session; the new session talks to the new backend.
    void start(std::vector<sim::BoxConfig> boxes) {
        session.reset();
        {
            std::lock_guard lock(eventsMutex);
            events.clear();
        }
        box = std::make_shared<sim::SimBackend>(std::move(boxes));
        box->setResetOffBusMs(20);
        session = std::make_unique<bootloader::BootLoader>(
            box, [this](std::int32_t kind, std::int32_t code, std::int32_t operation, const std::string& text,
                        std::int32_t extra) {
                {
                    std::lock_guard lock(eventsMutex);
                    events.push_back({kind, code, operation, text, extra});
                }
                if (onEvent) onEvent(kind, code, operation);
            });
        session->transferSettings() = shortTimeouts();
    }

    void TearDown() override { session.reset(); }

    static bootloader::TransferSettings shortTimeouts() {
        bootloader::TransferSettings settings;
        settings.answerTimeoutMs = 300;
        settings.eraseAnswerTimeoutMs = 300;
        settings.inactivityWindowMs = 60;
        return settings;
    }

    std::vector<bootloader::Event> recordedEvents() {
        std::lock_guard lock(eventsMutex);
        return events;
    }

    // Waits (bounded) for the worker of the last operation to end.
    bool waitForWorker(int limitMs = 3000) {
        for (int waited = 0; waited < limitMs; waited += 2) {
            if (!session->isWorkerRunning()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Runs operations on the calling thread.
    void runInline() {
        const std::uint8_t options = session->options & ~bootloader::kOptionWorkerThread;
        ASSERT_EQ(session->setOptions(&options), bootloader::AccessResult::ok);
    }

    std::shared_ptr<sim::SimBackend> box;
    std::unique_ptr<bootloader::BootLoader> session;
    std::function<void(std::int32_t kind, std::int32_t code, std::int32_t operation)> onEvent;

private:
    std::mutex eventsMutex;
    std::vector<bootloader::Event> events;
};

}  // namespace testsupport
