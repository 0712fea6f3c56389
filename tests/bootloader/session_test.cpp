// The session's fields, keys and accessors with their refusals.
#include <gtest/gtest.h>

#include <condition_variable>

#include "sim_session.h"

namespace {

using namespace bootloader;

class Session : public testsupport::SimSession {};

TEST_F(Session, FreshSessionDefaults) {
    EXPECT_EQ(session->options, kOptionWorkerThread);
    EXPECT_EQ(session->target, 0);
    EXPECT_EQ(session->programStatus, ProgramStatus::idle);
    EXPECT_EQ(session->identityKey,
              (std::array<std::uint8_t, 16>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(session->secondaryKey, session->identityKey);
    EXPECT_FALSE(session->isDevicePresent()) << "no search has found the box yet";
}

TEST_F(Session, KeysKeepSixteenBytesAndZeroFillShortOnes) {
    std::array<std::uint8_t, 20> long_{};
    for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_EQ(session->setIdentityKey(long_.data(), long_.size()), AccessResult::ok);
    EXPECT_EQ(session->identityKey[15], 16);
    ASSERT_EQ(session->setSecondaryKey(long_.data(), 5), AccessResult::ok);
    const std::array<std::uint8_t, 16> expected{1, 2, 3, 4, 5};
    EXPECT_EQ(session->secondaryKey, expected);
}

TEST_F(Session, GetFieldSelectsRecordByIndex) {
    session->identity[1].reference = "AK02";
    session->spareIdentity[0].serial = "00000001";
    struct Case {
        int index;
        int result;
    };
    for (const Case c :
         {Case{0x100, 0}, {0x101, 0}, {0x200, 0}, {0x201, 0}, {0x102, 3}, {0x300, 3}, {0x001, 3}, {-1, 3}}) {
        BootLoaderField out;
        out.reseller = "unchanged";
        EXPECT_EQ(base::code(session->getField(c.index, &out)), c.result) << std::hex << c.index;
        if (c.result != 0) {
            EXPECT_EQ(out.reseller, "unchanged");
        }
    }
    BootLoaderField out;
    ASSERT_EQ(session->getField(0x101, &out), AccessResult::ok);
    EXPECT_EQ(out.reference, "AK02");
    ASSERT_EQ(session->getField(0x200, &out), AccessResult::ok);
    EXPECT_EQ(out.serial, "00000001");
    EXPECT_EQ(session->getField(0x100, nullptr), AccessResult::missingArgument);
    EXPECT_EQ(session->setOptions(nullptr), AccessResult::missingArgument);
    EXPECT_EQ(session->getOptions(nullptr), AccessResult::missingArgument);
}

TEST_F(Session, SelectTargetRefusesAProcessorThatDoesNotExist) {
    EXPECT_EQ(session->selectTarget(1), AccessResult::ok);
    EXPECT_EQ(session->target, 1);
    EXPECT_EQ(session->selectTarget(2), AccessResult::badIndex);
    EXPECT_EQ(session->selectTarget(-1), AccessResult::badIndex);
    EXPECT_EQ(session->target, 1);
}

TEST_F(Session, ClearIdentityKeepsVersionsAndForgetsTheBox) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    ASSERT_TRUE(session->isDevicePresent());
    for (BootLoaderField& field : session->identity)
        field = {"AK02", "00012345", "14-09-2010", "Shop", "V1.2", "3"};
    session->keys[0] = {"a", "b", "c"};
    EXPECT_EQ(session->clearIdentity(), AccessResult::ok);
    for (const BootLoaderField& field : session->identity) {
        EXPECT_EQ(field.reference + field.serial + field.date + field.reseller, "");
        EXPECT_EQ(field.firmwareVersion, "V1.2");
        EXPECT_EQ(field.hardwareVersion, "3");
    }
    EXPECT_EQ(session->keys[0].first + session->keys[0].second, "");
    EXPECT_EQ(session->keys[0].third, "c");
    EXPECT_EQ(session->connected, 0u);
    EXPECT_FALSE(session->isDevicePresent());
    EXPECT_TRUE(session->memoryMap().images[0].empty());
}

TEST_F(Session, PostEventWithoutCallbackDoesNothing) {
    session->setEventCallback(nullptr);
    session->postEvent(0, 1, 2, "x", 0);
    EXPECT_EQ(session->lastEvent().text, "");
}

// While the worker runs, every accessor that could race with it refuses, from any other thread.
TEST_F(Session, AccessorsRefuseWhileTheWorkerRuns) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    std::mutex m;
    std::condition_variable cv;
    bool release = false, started = false;
    onEvent = [&](std::int32_t, std::int32_t code, std::int32_t) {
        if (code != kEventStarts) return;
        std::unique_lock lock(m);
        started = true;
        cv.notify_all();
        cv.wait_for(lock, std::chrono::seconds(5), [&] { return release; });
    };
    ASSERT_EQ(session->startOperation(kOpNothing).start, StartResult::started);
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return started; }));
    }
    box->unplug();
    BootLoaderField field;
    std::uint8_t options = 0;
    EXPECT_TRUE(session->isBusy());
    EXPECT_TRUE(session->isDevicePresent()) << "present while an operation runs, even unplugged";
    EXPECT_EQ(session->getField(0x100, &field), AccessResult::busy);
    EXPECT_EQ(session->getOptions(&options), AccessResult::busy);
    EXPECT_EQ(session->setOptions(&options), AccessResult::busy);
    EXPECT_EQ(session->selectTarget(1), AccessResult::busy);
    EXPECT_EQ(session->clearIdentity(), AccessResult::busy);
    EXPECT_EQ(session->setIdentityKey(nullptr, 0), AccessResult::busy);
    EXPECT_EQ(session->identityKey[0], 0xFF);
    EXPECT_EQ(session->connect(), ConnectResult::busy);
    EXPECT_EQ(session->startOperation(kOpErase).start, StartResult::notPresentOrBusy);
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(waitForWorker());
    EXPECT_FALSE(session->isBusy());
    EXPECT_EQ(session->getField(0x100, &field), AccessResult::ok);

    const auto events = recordedEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].kind, kEventError);
    EXPECT_EQ(events[1].code, kEventOperationRunning);
    EXPECT_EQ(events[1].operation, 0);
    EXPECT_EQ(events[1].text, "Operation running");
    EXPECT_EQ(events[2].code, kEventEndsOk);
}

}  // namespace
