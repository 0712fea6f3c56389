// The memory read against the simulated box: request counts, placement, lying answers, lost answers.
#include <gtest/gtest.h>

#include <chrono>

#include "bootloader/frames.h"
#include "bootloader/transfer.h"
#include "sim_session.h"

namespace {

using namespace bootloader;
using Clock = std::chrono::steady_clock;

class Transfer : public testsupport::SimSession {
protected:
    // One box whose target 0 has a single program region.
    void startWith(std::uint8_t packetSize, std::uint8_t family, std::uint32_t start, std::uint32_t size) {
        sim::BoxConfig config = sim::defaultBoxConfig();
        config.targets[0].packetDataSize = packetSize;
        config.targets[0].family = family;
        config.targets[0].regions = {{1, start, size}};
        testsupport::SimSession::start({config});
        ASSERT_EQ(session->connect(), ConnectResult::done);
        box->clearHostFrames();
    }

    ReadMemoryOutcome readRegion0(std::uint32_t firstAddress, std::vector<hid::Report>* answers = nullptr) {
        const std::size_t regions[] = {0};
        return readMemory(*session, regions, firstAddress, [answers](const hid::Report& answer) {
            if (answers != nullptr) answers->push_back(answer);
        });
    }

    std::vector<int> requestCounts() const {
        std::vector<int> counts;
        for (const hid::Report& frame : box->hostFrames()) counts.push_back(frame[6]);
        return counts;
    }
};

TEST_F(Transfer, RequestCountsAtTheRegionEnd) {
    struct Case {
        std::uint8_t family;  // 3: one byte per unit, 2: two
        std::uint32_t unitsToRead;
        std::vector<int> counts;
    };
    const std::vector<Case> cases = {
        {3, 100, {56, 44}},   {3, 56, {56}},
        {3, 1, {1}},          {2, 28 + 25, {56, 50}},  // the last request would pass the end by 3 units
        {2, 28 + 1, {56, 2}}, {2, 56, {56, 56}},
    };
    for (const Case& c : cases) {
        startWith(56, c.family, 0x1000, 0x1000);
        const std::uint32_t first = 0x1000 + 0x1000 - c.unitsToRead;
        EXPECT_EQ(readRegion0(first), ReadMemoryOutcome::done);
        EXPECT_EQ(requestCounts(), c.counts) << "family " << int(c.family) << " units " << c.unitsToRead;
        const auto frames = box->hostFrames();
        const std::uint32_t step = c.family == 2 ? 28 : 56;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i][1], kCmdReadMemory);
            EXPECT_EQ(frameAddress(frames[i]), first + step * i);
        }
    }
}

TEST_F(Transfer, TargetOneRequestsCarryTheOffset) {
    startWith(56, 3, 0x1000, 0x100);
    session->target = 1;
    session->memoryMap().regions[0] = {1, 0x1D07C000, 0x100};
    EXPECT_EQ(readRegion0(0), ReadMemoryOutcome::done);
    ASSERT_FALSE(box->hostFrames().empty());
    EXPECT_EQ(box->hostFrames()[0][1], 0x25);
}

TEST_F(Transfer, FirstAddressAtOrPastTheEndSendsNothing) {
    startWith(56, 3, 0x1000, 0x100);
    EXPECT_EQ(readRegion0(0x1100), ReadMemoryOutcome::done);
    EXPECT_EQ(readRegion0(0xFFFFFFFF), ReadMemoryOutcome::done);
    EXPECT_TRUE(box->hostFrames().empty());
}

TEST_F(Transfer, AnswersLandInTheImageByTheirAddress) {
    for (const std::uint8_t family : {3, 2}) {
        startWith(56, family, 0x2000, 300);
        const std::size_t bytes = 300u * (family == 2 ? 2 : 1);
        std::vector<std::uint8_t> content(bytes);
        for (std::size_t i = 0; i < bytes; ++i) content[i] = static_cast<std::uint8_t>(i * 7 + 3);
        box->setMemory(0, 0x2000, content);
        std::vector<hid::Report> answers;
        EXPECT_EQ(readRegion0(0x2000, &answers), ReadMemoryOutcome::done);
        const auto& image = session->memoryMap().images[0];
        EXPECT_TRUE(std::equal(content.begin(), content.end(), image.begin())) << "family " << int(family);
        EXPECT_EQ(answers.size(), box->hostFrames().size());
        EXPECT_EQ(session->progress, 100);
    }
}

// A box that lies about its answers must never make the reader go past the frame or the image.
TEST_F(Transfer, LyingAnswersAreIgnored) {
    struct Case {
        const char* what;
        std::function<void(hid::Report&)> lie;
        bool consumed;
    };
    const std::vector<Case> cases = {
        {"count beyond the frame", [](hid::Report& a) { a[6] = 200; }, false},
        {"count of 59", [](hid::Report& a) { a[6] = 59; }, false},
        {"address before the region", [](hid::Report& a) { putAddress(a, 0x1FFF); }, true},
        {"address past the image", [](hid::Report& a) { putAddress(a, 0x2000 + 290); }, true},
        {"address far away", [](hid::Report& a) { putAddress(a, 0xFFFFFFF0); }, true},
    };
    for (const Case& c : cases) {
        startWith(56, 3, 0x2000, 100);
        box->setMemory(0, 0x2000, std::vector<std::uint8_t>(100, 0x11));
        box->setAnswerFilter(c.lie);
        std::vector<hid::Report> answers;
        EXPECT_EQ(readRegion0(0x2000, &answers), ReadMemoryOutcome::done) << c.what;
        EXPECT_EQ(answers.size(), c.consumed ? 2u : 0u) << c.what;
        const auto& image = session->memoryMap().images[0];
        EXPECT_EQ(std::count(image.begin(), image.end(), 0x11), 0) << c.what;
        EXPECT_EQ(image.size(), 101u);
    }
}

TEST_F(Transfer, AnswerFittingTheSpareUnitIsPlaced) {
    startWith(56, 3, 0x2000, 100);
    hid::Report answer{};
    putAddress(answer, 0x2000 + 100 - 55);
    answer[6] = 56;
    answer[64] = 0x42;
    EXPECT_TRUE(placeAnswer(session->memoryMap(), 0, answer)) << "the last byte is the spare unit";
    EXPECT_EQ(session->memoryMap().images[0][100], 0x42);
    putAddress(answer, 0x2000 + 100 - 54);
    EXPECT_FALSE(placeAnswer(session->memoryMap(), 0, answer));
    EXPECT_FALSE(placeAnswer(session->memoryMap(), 5, answer)) << "no such region";
}

TEST_F(Transfer, AtMostTenRequestsInFlight) {
    startWith(56, 3, 0x2000, 56 * 40);
    box->stopAnswering(true);
    EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::failed);
    EXPECT_EQ(box->hostFrames().size(), 10u);
}

// Silence for two inactivity windows ends the read; a lost answer is never asked for again.
TEST_F(Transfer, LostAnswersEndTheReadAfterTwoWindows) {
    const int window = session->transferSettings().inactivityWindowMs;
    for (const int lost : {1, 3, 12}) {
        startWith(56, 3, 0x2000, 56 * 20);
        box->dropNthAnswer(lost);
        const auto began = Clock::now();
        EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::failed) << lost;
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count();
        EXPECT_GE(elapsed, window) << lost;
        EXPECT_LE(elapsed, 2 * window + 500) << lost;
        EXPECT_EQ(box->hostFrames().size(), 20u) << "every address requested once";
    }
}

TEST_F(Transfer, OpenAndLinkFailures) {
    startWith(56, 3, 0x2000, 56 * 20);
    box->failOpens(hid::Access::write, true);
    EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::writeOpenFailed);
    box->failOpens(hid::Access::write, false);
    box->failOpens(hid::Access::read, true);
    EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::failed);
    box->failOpens(hid::Access::read, false);
    box->failNthWrite(4);
    EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::failed);
    box->unplugAfterReports(5);
    EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::failed);
}

TEST_F(Transfer, UnusableGeometryFailsCleanly) {
    struct Case {
        std::uint8_t packetSize, bytesPerAddress;
    };
    for (const Case c : {Case{0, 1}, {56, 0}, {1, 2}, {64, 1}}) {
        startWith(56, 3, 0x2000, 100);
        session->memoryMap().packetDataSize = c.packetSize;
        session->memoryMap().bytesPerAddress = c.bytesPerAddress;
        EXPECT_EQ(readRegion0(0x2000), ReadMemoryOutcome::failed)
            << int(c.packetSize) << "/" << int(c.bytesPerAddress);
        EXPECT_TRUE(box->hostFrames().empty());
    }
}

TEST_F(Transfer, WriteStreamWritesAndWaitsForOneAnswer) {
    startWith(56, 3, 0x2000, 100);
    WriteStream stream(*session);
    ASSERT_TRUE(stream.writeOpened() && stream.readOpened());
    EXPECT_TRUE(stream.write(commandFrame(kCmdErase, 0)));
    EXPECT_TRUE(stream.write(commandFrame(kCmdQuery, 0)));
    hid::Report answer{};
    EXPECT_TRUE(stream.readAnswer(answer, session->transferSettings().answerTimeoutMs));
    EXPECT_EQ(answer[2], 56);
    const auto began = Clock::now();
    EXPECT_FALSE(stream.readAnswer(answer, session->transferSettings().answerTimeoutMs))
        << "no second answer";
    EXPECT_GE(Clock::now() - began, std::chrono::milliseconds(session->transferSettings().answerTimeoutMs));
}

}  // namespace
