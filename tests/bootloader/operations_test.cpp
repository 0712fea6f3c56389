// Connect, session open, the single commands and the numbered operations with their events.
#include <gtest/gtest.h>

#include "bootloader/frames.h"
#include "sim_session.h"

namespace {

using namespace bootloader;

class Operations : public testsupport::SimSession {};

std::vector<std::uint8_t> commandBytes(const std::vector<hid::Report>& frames) {
    std::vector<std::uint8_t> codes;
    for (const hid::Report& frame : frames) codes.push_back(frame[1]);
    return codes;
}

TEST_F(Operations, ConnectLearnsTheLayoutAndLaysDownTheErasedPattern) {
    EXPECT_EQ(session->connect(), ConnectResult::done);
    EXPECT_EQ(session->connected, 1u);
    EXPECT_EQ(session->discoveryResult, 1u);
    EXPECT_EQ(session->queryStatus, QueryStatus::sessionOpened);
    const MemoryMap& map = session->memoryMap();
    ASSERT_EQ(map.regionCount, 2);
    EXPECT_EQ(map.packetDataSize, 48);
    EXPECT_EQ(map.bytesPerAddress, 1);
    EXPECT_EQ(map.regions[0].type, 1);
    EXPECT_EQ(map.regions[0].start, 0x1D000000u);
    EXPECT_EQ(map.regions[0].size, 0x80000u);
    EXPECT_EQ(map.regions[1].type, 3);
    ASSERT_EQ(map.images[0].size(), 0x80001u);
    EXPECT_EQ(std::count(map.images[0].begin(), map.images[0].end() - 1, 0xFF), 0x80000);
}

TEST_F(Operations, ConnectWithoutABoxLeavesNothingBehind) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    box->unplug();
    EXPECT_EQ(session->connect(), ConnectResult::done);
    EXPECT_EQ(session->connected, 0u);
    EXPECT_EQ(session->discoveryResult, 0u);
    EXPECT_EQ(session->queryStatus, QueryStatus::sessionOpened);
    EXPECT_EQ(session->memoryMap().regionCount, 0);
    EXPECT_TRUE(session->memoryMap().images[0].empty());
    EXPECT_FALSE(session->isDevicePresent());
    EXPECT_EQ(session->startOperation(kOpNothing).start, StartResult::notPresentOrBusy);
}

TEST_F(Operations, ErasedPatternOfTwoByteUnits) {
    sim::BoxConfig config = sim::defaultBoxConfig();
    config.targets[0].family = 2;
    config.targets[0].regions = {{1, 0x1000, 4}};
    start({config});
    ASSERT_EQ(session->connect(), ConnectResult::done);
    const std::vector<std::uint8_t> expected{0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00};
    EXPECT_EQ(session->memoryMap().images[0], expected) << "the spare unit at the end is not filled";
}

// Every command frame is zero apart from its code; dual forms send target 1 first.
TEST_F(Operations, CommandFrames) {
    struct Case {
        int operation;
        std::uint8_t options;  // on top of running inline
        int target;
        std::vector<std::uint8_t> codes;
    };
    const std::vector<Case> cases = {
        {kOpErase, 0, 0, {0x02}},
        {kOpErase, kOptionDual, 0, {0x02, 0x22}},
        {kOpErase, 0, 1, {0x22}},
        {kOpQuery, 0, 0, {0x01}},
        {kOpQuery, 0, 1, {0x21}},
        {kOpCommand06, 0, 0, {0x06}},
        {kOpCommand06, 0, 1, {0x26}},
        {kOpCommand50, 0, 1, {0x50}},
        {kOpEraseUserData, 0, 0, {0x09}},
        {kOpEraseUserData, 0, 1, {0x29}},
        {kOpEraseUserData, kOptionDual, 0, {0x29, 0x09}},
        {kOpReset, 0, 1, {0x32}},
        {kOpReset, kOptionDual, 0, {0x32, 0x12}},
        {kOpReset, 0, 0, {0x12}},
        // Blank image: both erase frames, the query that waits for the erase, the region's closing frame.
        {kOpProgram, kOptionFinishCommand, 0, {0x02, 0x02, 0x01, 0x04, 0x06}},
    };
    for (const Case& c : cases) {
        start({sim::defaultBoxConfig()});
        ASSERT_EQ(session->connect(), ConnectResult::done);
        ASSERT_EQ(session->setOptions(&c.options), AccessResult::ok);
        ASSERT_EQ(session->selectTarget(c.target), AccessResult::ok);
        box->clearHostFrames();
        ASSERT_EQ(session->startOperation(c.operation).start, StartResult::started);
        ASSERT_TRUE(waitForWorker());
        const auto frames = box->hostFrames();
        EXPECT_EQ(commandBytes(frames), c.codes) << "operation " << c.operation << " target " << c.target;
        for (const hid::Report& frame : frames) {
            EXPECT_EQ(frame[0], 0);
            if (frame[1] == 0x04) continue;  // closes a region: repeats the last packet's frame
            EXPECT_TRUE(std::all_of(frame.begin() + 2, frame.end(), [](std::uint8_t b) { return b == 0; }));
        }
    }
}

TEST_F(Operations, RequestedOnlyCommandsWriteNothingUnlessAsked) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    box->clearHostFrames();
    EXPECT_EQ(session->resetDevice(true), CommandResult::ok);
    EXPECT_EQ(session->eraseUserData(true), CommandResult::ok);
    EXPECT_EQ(session->eraseStatus, CommandStatus::done);
    EXPECT_TRUE(box->hostFrames().empty());
    session->resetRequested = 1;
    session->eraseUserDataRequested = 1;
    EXPECT_EQ(session->eraseUserData(true), CommandResult::ok);
    EXPECT_EQ(session->resetDevice(true), CommandResult::ok);
    EXPECT_EQ(commandBytes(box->hostFrames()), (std::vector<std::uint8_t>{0x09, 0x12}));
    EXPECT_EQ(session->resetRequested, 0);
    EXPECT_EQ(session->eraseUserDataRequested, 0);
}

TEST_F(Operations, CommandFailuresShowInResultsAndStatusBytes) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    box->failOpens(hid::Access::write, true);
    EXPECT_EQ(session->eraseDevice(), CommandResult::noWriteHandle);
    EXPECT_EQ(session->eraseStatus, CommandStatus::failed);
    EXPECT_EQ(session->resetDevice(false), CommandResult::resetNoWriteHandle);
    EXPECT_EQ(session->sendCommand06(), CommandResult::noWriteHandle);
    EXPECT_EQ(session->finishStatus, CommandStatus::failed);
    EXPECT_EQ(session->queryDevice(), CommandResult::noWriteHandle);
    EXPECT_EQ(session->queryStatus, QueryStatus::writeFailed);
    EXPECT_NE(session->writeOpenError, 0u);
    box->failOpens(hid::Access::write, false);
    box->failOpens(hid::Access::read, true);
    EXPECT_EQ(session->queryDevice(), CommandResult::noReadHandle);
    EXPECT_EQ(session->queryStatus, QueryStatus::readFailed);
    box->failOpens(hid::Access::read, false);
    box->failWrites(true);
    EXPECT_EQ(session->sendCommand50(), CommandResult::ok);
    EXPECT_EQ(session->command50Status, CommandStatus::failed);
    EXPECT_EQ(session->resetDevice(false), CommandResult::resetWriteFailed);
    box->failWrites(false);
    box->stopAnswering(true);
    EXPECT_EQ(session->queryDevice(), CommandResult::ok)
        << "an unanswered query ends after the answer time-out";
    EXPECT_EQ(session->queryStatus, QueryStatus::readFailed);
    EXPECT_EQ(session->memoryMap().regionCount, 0);
}

// An operation of several steps ends with the code of its first failure, never a mix of two codes.
TEST_F(Operations, ProgrammingEndsWithTheFirstFailure) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    box->failOpens(hid::Access::write, true);  // erase: 1 (no write handle); programming: 6 (erase write)
    ASSERT_EQ(session->startOperation(kOpProgram).start, StartResult::started);
    ASSERT_TRUE(waitForWorker());
    EXPECT_EQ(session->lastResult, base::code(CommandResult::noWriteHandle))
        << "not 1 | 6 = 7, the code of an unusable layout";
    EXPECT_EQ(recordedEvents().back().code, kEventEndsFault);
}

TEST_F(Operations, ResultsAndEndEvents) {
    struct Case {
        int operation;
        int result;
    };
    for (const Case c : {Case{0, -1},
                         {kOpNothing, 0},
                         {kOpSearch, 1},
                         {kOpReserved9, 0xC000},
                         {kOpReserved12, 0xC000},
                         {kOpErase, 0},
                         {-7, -1}}) {
        start({sim::defaultBoxConfig()});
        ASSERT_EQ(session->connect(), ConnectResult::done);
        ASSERT_EQ(session->startOperation(c.operation).start, StartResult::started);
        ASSERT_TRUE(waitForWorker());
        EXPECT_EQ(session->lastResult, c.result) << c.operation;
        const auto events = recordedEvents();
        ASSERT_EQ(events.size(), 2u) << c.operation;
        EXPECT_EQ(events[0].kind, kEventOperation);
        EXPECT_EQ(events[0].code, kEventStarts);
        EXPECT_EQ(events[0].operation, c.operation);
        EXPECT_EQ(events[0].text, "Starts Operation");
        EXPECT_EQ(events[1].code, c.result == 0 ? kEventEndsOk : kEventEndsFault);
        EXPECT_EQ(events[1].text, c.result == 0 ? "Ends Operation: OK" : "Ends Operation: Fault");
        EXPECT_EQ(events[1].operation, c.operation);
    }
    EXPECT_EQ(session->startOperation(kOperationLimit).start, StartResult::badOperation);
    EXPECT_EQ(startOperation(nullptr, kOpNothing).start, StartResult::noSession);
    EXPECT_EQ(recordedEvents().size(), 2u) << "refused operations post nothing";
    EXPECT_EQ(runOperation(nullptr, kOpNothing), 2);
}

TEST_F(Operations, InlineOperationReturnsItsOwnResult) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    runInline();
    EXPECT_EQ(session->startOperation(kOpReserved9).code(), 0xC000);
    EXPECT_EQ(session->startOperation(kOpSearch).code(), 1);
}

// The window runs erase user data and reset from its handler of the end event, on the worker thread.
TEST_F(Operations, OperationsStartedFromTheCallbackRunNested) {
    ASSERT_EQ(session->connect(), ConnectResult::done);
    box->clearHostFrames();
    std::vector<int> nestedResults;
    std::thread::id callbackThread;
    onEvent = [&](std::int32_t, std::int32_t code, std::int32_t operation) {
        if (operation != kOpErase || code != kEventEndsOk) return;
        callbackThread = std::this_thread::get_id();
        session->eraseUserDataRequested = 1;
        session->resetRequested = 1;
        nestedResults.push_back(session->startOperation(kOpEraseUserDataIfRequested).code());
        nestedResults.push_back(session->startOperation(kOpResetIfRequested).code());
    };
    ASSERT_EQ(session->startOperation(kOpErase).start, StartResult::started);
    ASSERT_TRUE(waitForWorker());
    EXPECT_NE(callbackThread, std::this_thread::get_id());
    EXPECT_EQ(nestedResults, (std::vector<int>{0, 0}));
    EXPECT_EQ(commandBytes(box->hostFrames()), (std::vector<std::uint8_t>{0x02, 0x09, 0x12}));
    std::vector<std::pair<int, int>> sequence;
    for (const Event& e : recordedEvents()) sequence.emplace_back(e.operation, e.code);
    const std::vector<std::pair<int, int>> expected = {
        {kOpErase, kEventStarts},
        {kOpErase, kEventEndsOk},
        {kOpEraseUserDataIfRequested, kEventStarts},
        {kOpEraseUserDataIfRequested, kEventEndsOk},
        {kOpResetIfRequested, kEventStarts},
        {kOpResetIfRequested, kEventEndsOk},
    };
    EXPECT_EQ(sequence, expected);
}

TEST_F(Operations, QueryAnswerWithoutRegions) {
    box->setAnswerFilter([](hid::Report& answer) {
        if (answer[1] == kCmdQuery) answer[4] = 0xFF;
    });
    ASSERT_EQ(session->connect(), ConnectResult::done);
    EXPECT_EQ(session->memoryMap().regionCount, 0);
    for (const auto& image : session->memoryMap().images) EXPECT_TRUE(image.empty());
}

// Region sizes come from the box: a size whose image would not fit sane memory is refused cleanly.
TEST_F(Operations, OversizedRegionIsRefused) {
    struct Case {
        std::uint32_t size;
        std::uint8_t family;
        int result;
    };
    for (const Case c :
         {Case{0xFFFFFFFF, 3, 1}, {0xFFFFFFFF, 2, 1}, {0x04000001, 3, 1}, {0x04000000, 3, 0}}) {
        box->setAnswerFilter([&](hid::Report& answer) {
            if (answer[1] != kCmdQuery) return;
            answer[3] = c.family;
            for (int i = 0; i < 4; ++i) answer[9 + i] = static_cast<std::uint8_t>(c.size >> (8 * i));
        });
        ASSERT_EQ(session->connect(), ConnectResult::done);
        EXPECT_EQ(session->openSession(), c.result) << std::hex << c.size;
        EXPECT_EQ(session->queryStatus, QueryStatus::sessionOpened);
        EXPECT_EQ(session->memoryMap().images[0].empty(), c.result != 0);
    }
}

TEST_F(Operations, UnknownFamilyKeepsBytesPerAddressAndReadsFailCleanly) {
    box->setAnswerFilter([](hid::Report& answer) {
        if (answer[1] == kCmdQuery) answer[3] = 9;
    });
    ASSERT_EQ(session->connect(), ConnectResult::done);
    EXPECT_EQ(session->memoryMap().bytesPerAddress, 0);
    EXPECT_EQ(session->memoryMap().regionCount, 2);
    EXPECT_TRUE(session->memoryMap().images[0].empty());
}

}  // namespace
