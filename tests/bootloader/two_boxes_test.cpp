// Two boxes on one backend, each with its own session and worker: identity reads and programming run on
// both at the same time, and neither session sees the other's memory, identity or events.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "arvex/config.h"
#include "base/result.h"
#include "bootloader/hex_loader.h"
#include "bootloader/session.h"
#include "sim/box/hex_writer.h"
#include "sim/box/information_area.h"
#include "sim/box/sim_backend.h"
#include "support/box_results.h"

namespace {

using namespace bootloader;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFlash = 0x1D000000;

Bytes randomImage(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes image(size);
    for (std::uint8_t& byte : image) byte = static_cast<std::uint8_t>(random() | 1);
    return image;
}

// One box's session with the events it posted.
struct BoxSession {
    BoxSession(std::shared_ptr<sim::SimBackend> backend, std::size_t box)
        : session(
              backend,
              [this](std::int32_t kind, std::int32_t code, std::int32_t operation, const std::string&,
                     std::int32_t) {
                  {
                      std::lock_guard lock(mutex);
                      events.push_back({kind, code, operation, {}, 0});
                  }
                  if (onEvent) onEvent(kind, code, operation);
              },
              sim::SimBackend::pathOf(box)) {
        session.transferSettings().answerTimeoutMs = 2000;
        session.transferSettings().eraseAnswerTimeoutMs = 2000;
        session.transferSettings().inactivityWindowMs = 2000;
        const auto& key = arvex::config::kIdentityKey;
        EXPECT_EQ(session.setIdentityKey(key.data(), key.size()), AccessResult::ok);
    }

    // The (operation, code) pairs of the operation events, in order.
    std::vector<std::pair<int, int>> operationEvents() {
        std::lock_guard lock(mutex);
        std::vector<std::pair<int, int>> seen;
        for (const Event& e : events)
            if (e.kind == kEventOperation) seen.emplace_back(e.operation, e.code);
        return seen;
    }

    std::function<void(std::int32_t kind, std::int32_t code, std::int32_t operation)> onEvent;
    std::mutex mutex;
    std::vector<Event> events;
    BootLoader session;  // last: its worker ends before the events go
};

class TwoBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        backend = std::make_shared<sim::SimBackend>(
            std::vector<sim::BoxConfig>{sim::defaultBoxConfig(), sim::defaultBoxConfig()});
        backend->setEraseMs(0);
        for (std::size_t b = 0; b < 2; ++b) {
            sim::BoxIdentity identity;
            identity.serial = b == 0 ? 11111 : 22222;
            identity.reseller = b == 0 ? "First" : "Second";
            sim::writeInformationArea(*backend, 0, identity, arvex::config::kIdentityKey, b);
            boxes[b] = std::make_unique<BoxSession>(backend, b);
        }
    }

    // Starts the operations on both workers and waits for both; true when both ran at one moment.
    bool runTogether(int first, int second) {
        EXPECT_EQ(boxes[0]->session.startOperation(first).start, StartResult::started);
        EXPECT_EQ(boxes[1]->session.startOperation(second).start, StartResult::started);
        return waitForBoth();
    }

    // Waits for both workers to end; true when both ran at one moment.
    bool waitForBoth() {
        bool overlapped = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            const bool a = boxes[0]->session.isWorkerRunning();
            const bool b = boxes[1]->session.isWorkerRunning();
            overlapped = overlapped || (a && b);
            if (!a && !b) break;
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the workers did not end";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return overlapped;
    }

    std::shared_ptr<sim::SimBackend> backend;
    std::array<std::unique_ptr<BoxSession>, 2> boxes;
};

TEST_F(TwoBoxes, ReadAndProgramBothAtOnceWithoutSeeingEachOther) {
    const std::array<Bytes, 2> images = {randomImage(0x3000, 1), randomImage(0x3000, 2)};
    for (std::size_t b = 0; b < 2; ++b) {
        BootLoader& session = boxes[b]->session;
        ASSERT_EQ(session.connect(), ConnectResult::done);
        ASSERT_EQ(session.connected, 1u) << "box " << b;
        EXPECT_EQ(session.devicePath(), sim::SimBackend::pathOf(b));
        const std::string text = sim::toIntelHex({{kFlash, images[b]}});
        StringLineReader reader(text);
        ASSERT_EQ(loadHexImage(session, reader), bootloader::HexResult::loaded);
    }
    // A paced link makes each operation last long enough for the two to run side by side.
    backend->setPaced(true);
    EXPECT_TRUE(runTogether(kOpProgram, kOpReadIdentity));
    EXPECT_TRUE(runTogether(kOpReadIdentity, kOpProgram));

    const char* serials[] = {"00011111", "00022222"};
    const char* resellers[] = {"First", "Second"};
    const std::vector<std::pair<int, int>> expectedEvents[] = {
        {{kOpProgram, kEventStarts},
         {kOpProgram, kEventEndsOk},
         {kOpReadIdentity, kEventStarts},
         {kOpReadIdentity, kEventEndsOk}},
        {{kOpReadIdentity, kEventStarts},
         {kOpReadIdentity, kEventEndsOk},
         {kOpProgram, kEventStarts},
         {kOpProgram, kEventEndsOk}},
    };
    for (std::size_t b = 0; b < 2; ++b) {
        SCOPED_TRACE("box " + std::to_string(b));
        BootLoader& session = boxes[b]->session;
        EXPECT_EQ(session.lastResult, 0);
        EXPECT_EQ(session.programStatus, ProgramStatus::done);
        EXPECT_EQ(session.readStatus, IdentityReadStatus::done);
        EXPECT_EQ(backend->memory(0, kFlash, images[b].size(), b), images[b]);
        BootLoaderField field;
        ASSERT_EQ(session.getField(0x100, &field), AccessResult::ok);
        EXPECT_EQ(field.serial, serials[b]);
        EXPECT_EQ(field.reseller, resellers[b]);
        // The session's own image still holds what it loaded, not what the other box was given.
        const Bytes& image = session.memoryMap().images[0];
        ASSERT_GE(image.size(), images[b].size());
        EXPECT_TRUE(std::equal(images[b].begin(), images[b].end(), image.begin()));
        EXPECT_EQ(boxes[b]->operationEvents(), expectedEvents[b]);
        // Each box saw the frames of its own session only: operation 5's erase and the programming's own.
        const sim::CommandCounts counts = backend->counts(0, b);
        EXPECT_EQ(counts.erase, 2);
        EXPECT_EQ(counts.programData, session.lastProgramCounts(0).dataFrames);
        EXPECT_GT(counts.readMemory, 0);
    }
}

// Inside one session's event callback only that session waives its busy check: the other box's running
// worker is still busy, and an operation started on it from there is refused, not run inline.
TEST_F(TwoBoxes, ACallbackOfOneSessionSeesTheOtherSessionBusy) {
    for (auto& box : boxes) {
        ASSERT_EQ(box->session.connect(), ConnectResult::done);
        ASSERT_EQ(box->session.connected, 1u);
    }
    BootLoader& other = boxes[1]->session;
    std::atomic<int> seenBusy{-1};
    std::atomic<int> startResult{-1};
    boxes[0]->onEvent = [&](std::int32_t kind, std::int32_t code, std::int32_t) {
        if (kind != kEventOperation || code != kEventStarts) return;
        seenBusy = other.isBusy() ? 1 : 0;
        startResult = other.startOperation(kOpQuery).code();
    };
    backend->setPaced(true);  // the other box's identity read lasts some hundred milliseconds
    ASSERT_EQ(other.startOperation(kOpReadIdentity).start, StartResult::started);
    ASSERT_EQ(boxes[0]->session.startOperation(kOpQuery).start, StartResult::started);
    EXPECT_TRUE(waitForBoth());
    EXPECT_EQ(seenBusy, 1);
    EXPECT_EQ(startResult, base::code(StartResult::notPresentOrBusy));
    EXPECT_EQ(other.readStatus, IdentityReadStatus::done);
}

}  // namespace
