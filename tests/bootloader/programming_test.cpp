// Programming through the session against the simulated box: the handshake, the result codes and a full
// program-then-read-back.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/result.h"
#include "bootloader/hex_loader.h"
#include "bootloader/long_operations.h"
#include "bootloader/programming.h"
#include "sim/box/hex_writer.h"
#include "sim_session.h"

namespace {

using namespace bootloader;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFlash = 0x1D000000;

// Random data in every other 4 KiB block, erased bytes in between.
Bytes halfEmptyImage(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes image(size, 0xFF);
    for (std::size_t at = 0; at < size; ++at)
        if ((at / 4096) % 2 == 0) image[at] = static_cast<std::uint8_t>(random());
    return image;
}

class Programming : public testsupport::SimSession {
protected:
    void connectInline() {
        runInline();
        ASSERT_EQ(session->connect(), ConnectResult::done);
    }

    int load(const Bytes& image, std::uint32_t address = kFlash) {
        const std::string text = sim::toIntelHex({{address, image}});
        StringLineReader reader(text);
        return base::code(loadHexImage(*session, reader));
    }
};

TEST_F(Programming, ProgrammedSpanEqualsTheImage) {
    // 48: full packets in bytes 7..54 (the box's default); 56: right-aligned.
    for (const std::uint8_t packetSize : {48, 56}) {
        SCOPED_TRACE(int{packetSize});
        sim::BoxConfig config = sim::defaultBoxConfig();
        config.targets[0].packetDataSize = packetSize;
        start({config});
        connectInline();
        const Bytes image = halfEmptyImage(kTarget0ProgramSpan, 1);
        ASSERT_EQ(load(image), 0);
        ASSERT_EQ(session->startOperation(kOpProgram).code(), 0);
        EXPECT_EQ(session->programStatus, ProgramStatus::done);
        EXPECT_EQ(session->progress, 100);
        EXPECT_EQ(box->memory(0, kFlash, image.size()), image);

        // Half of the packets are blank, the rest of the region lies past the span.
        const PacketCounts counts = session->lastProgramCounts(0);
        const int packets = (kTarget0ProgramSpan + packetSize - 1) / packetSize;
        EXPECT_EQ(counts.dataFrames + counts.skippedPackets, packets);
        EXPECT_NEAR(counts.dataFrames, packets / 2, packets / 50);
        EXPECT_EQ(box->counts(0).programData, counts.dataFrames);
        EXPECT_EQ(box->counts(0).programComplete, counts.completeFrames);
    }
}

TEST_F(Programming, DualModeProgramsBothTargets) {
    connectInline();
    const std::uint8_t options = kOptionDual | kOptionWorkerThread;
    ASSERT_EQ(session->setOptions(&options), AccessResult::ok);
    const Bytes image = halfEmptyImage(0x6000, 2);
    ASSERT_EQ(load(image), 0);
    ASSERT_EQ(session->startOperation(kOpProgram).code(), 0);
    ASSERT_TRUE(waitForWorker());
    EXPECT_EQ(session->lastResult, 0);
    EXPECT_EQ(box->memory(0, kFlash, image.size()), image);
    EXPECT_EQ(box->memory(1, kFlash, image.size()), image);
    EXPECT_EQ(session->lastProgramCounts(1).dataFrames, session->lastProgramCounts(0).dataFrames);
}

TEST_F(Programming, FailuresStopWithTheirCodesAndStatus) {
    struct Case {
        const char* name;
        int failWrite;   // n-th write of programDevice fails
        int dropAnswer;  // n-th answer is lost
        int result;
        ProgramStatus status;
    };
    // Writes: erase, query, data, gap frame, data, region end.
    const Case cases[] = {
        {"erase frame", 1, 0, 6, ProgramStatus::writeFailed},
        {"query after the erase", 2, 0, 1, ProgramStatus::writeFailed},
        {"answer to that query", 0, 1, 2, ProgramStatus::eraseAnswerFailed},
        {"first data frame", 3, 0, 4, ProgramStatus::writeFailed},
        {"gap frame", 4, 0, 3, ProgramStatus::writeFailed},
        {"second data frame", 5, 0, 4, ProgramStatus::writeFailed},
        {"region end", 6, 0, 5, ProgramStatus::writeFailed},
        {"none", 0, 0, 0, ProgramStatus::done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start({sim::defaultBoxConfig()});
        connectInline();
        Bytes image(200, 0xFF);
        image[0] = 1;
        image[150] = 2;
        ASSERT_EQ(load(image), 0);
        box->failNthWrite(c.failWrite);
        box->dropNthAnswer(c.dropAnswer);
        EXPECT_EQ(programDevice(*session), c.result);
        EXPECT_EQ(session->programStatus, c.status);
    }
}

TEST_F(Programming, UnusableLayoutLeavesTheBoxAlone) {
    sim::BoxConfig config = sim::defaultBoxConfig();
    config.targets[0].packetDataSize = 0;
    start({config});
    connectInline();
    box->clearHostFrames();
    EXPECT_EQ(programDevice(*session), base::code(PacketWriteResult::layoutUnusable));
    EXPECT_EQ(session->programStatus, ProgramStatus::writeFailed);
    EXPECT_TRUE(box->hostFrames().empty());
}

// The box answers the query after the erase only once its flash is erased. That one answer has its own,
// longer bound; the short bound of every other answer would fail a slow box.
TEST_F(Programming, SlowEraseWaitsForItsOwnBound) {
    EXPECT_GE(TransferSettings{}.eraseAnswerTimeoutMs, 30000);
    struct Case {
        int eraseMs;
        int eraseAnswerTimeoutMs;
        int result;
    };
    // The short bound stays 300 ms: an erase of 700 ms passes only through the separate bound.
    for (const Case c : {Case{700, 3000, 0}, Case{700, 300, 2}}) {
        SCOPED_TRACE(c.eraseAnswerTimeoutMs);
        start({sim::defaultBoxConfig()});
        session->transferSettings().eraseAnswerTimeoutMs = c.eraseAnswerTimeoutMs;
        box->setEraseMs(c.eraseMs);
        connectInline();
        Bytes image(200, 0xFF);
        image[0] = 1;
        ASSERT_EQ(load(image), 0);
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(programDevice(*session), c.result);
        if (c.result == 0) {
            EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(c.eraseMs));
            EXPECT_EQ(box->memory(0, kFlash, 1)[0], 1);
        }
    }
}

// Operation 5 sends the erase command on its own, then programs (whose own erase and query follow).
TEST_F(Programming, OperationFiveErasesBeforeItPrograms) {
    connectInline();
    Bytes image(200, 0xFF);
    image[0] = 1;
    ASSERT_EQ(load(image), 0);
    box->clearHostFrames();
    ASSERT_EQ(session->startOperation(kOpProgram).code(), 0);
    std::vector<int> codes;
    for (const hid::Report& frame : box->hostFrames()) codes.push_back(frame[1]);
    EXPECT_EQ(codes, (std::vector<int>{0x02, 0x02, 0x01, 0x03, 0x04}));
}

}  // namespace
