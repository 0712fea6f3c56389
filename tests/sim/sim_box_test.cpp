// The simulated box answers like the bootloader, over the same 65-byte reports.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "sim/box/presets.h"
#include "sim/box/sim_backend.h"
#include "support/box_results.h"
#include "support/temp_dir.h"

namespace {

using sim::SimBackend;
using Clock = std::chrono::steady_clock;

hid::Report frame(std::uint8_t command, std::uint32_t address = 0, std::uint8_t count = 0) {
    hid::Report f{};
    f[1] = command;
    for (int i = 0; i < 4; ++i) f[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
    f[6] = count;
    return f;
}

class SimBox : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void open() {
        ASSERT_EQ(box.open(SimBackend::pathOf(0), hid::Access::write, writer), 0);
        ASSERT_EQ(box.open(SimBackend::pathOf(0), hid::Access::read, reader), 0);
    }
    hid::Report ask(const hid::Report& request) {
        EXPECT_EQ(box.write(writer, request), 0);
        hid::Report answer{};
        EXPECT_EQ(box.read(reader, answer, 500), hid::ReadStatus::ok);
        return answer;
    }
    SimBackend box;
    hid::Handle writer = hid::kNoHandle, reader = hid::kNoHandle;
};

TEST_F(SimBox, QueryAnswersDescribeBothTargets) {
    const hid::Report t0 = ask(frame(0x01));
    const std::vector<std::uint8_t> expected0 = {0,    0x01, 48,   3,    1,    0x00, 0x00, 0x00,
                                                 0x1D, 0x00, 0x00, 0x08, 0x00, 3,    0xF0, 0x2F,
                                                 0xC0, 0x1F, 0x10, 0x00, 0x00, 0x00, 0xFF};
    EXPECT_TRUE(std::equal(expected0.begin(), expected0.end(), t0.begin()));
    const hid::Report t1 = ask(frame(0x21));
    EXPECT_EQ(t1[1], 0x21);
    EXPECT_EQ(t1[13], 2) << "target 1 keeps its information area in a region of its own";
    EXPECT_EQ(t1[31], 0xFF);
}

TEST_F(SimBox, ProgramReadAndErase) {
    // A short packet is right-aligned; with 48-byte packets the read answer carries its data from byte 7.
    hid::Report program = frame(0x03, 0x1D000010, 4);
    program[61] = 0x11, program[62] = 0x22, program[63] = 0x33, program[64] = 0x44;
    ASSERT_EQ(box.write(writer, program), 0);
    const hid::Report answer = ask(frame(0x05, 0x1D00000F, 6));
    EXPECT_EQ(answer[6], 6);
    const std::vector<std::uint8_t> tail = {0xFF, 0x11, 0x22, 0x33, 0x44, 0xFF};
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), answer.begin() + 7));
    EXPECT_EQ(answer[2], 0x0F);

    box.setMemory(0, 0x1D07E000, {0xAB});  // identity area: kept by erase
    box.setMemory(0, 0x1FC02FF0, {0x5A});  // configuration memory: not program memory
    box.setMemory(1, 0x1D000000, {0x01});  // the other target: its own memory
    ASSERT_EQ(box.write(writer, frame(0x02)), 0);
    EXPECT_EQ(box.memory(0, 0x1D000010, 4), std::vector<std::uint8_t>(4, 0xFF));
    EXPECT_EQ(box.memory(0, 0x1D07E000, 1)[0], 0xAB);
    EXPECT_EQ(box.memory(0, 0x1FC02FF0, 1)[0], 0x5A);
    EXPECT_EQ(box.memory(1, 0x1D000000, 1)[0], 0x01);
    EXPECT_EQ(box.memory(0, 0x30000000, 2), std::vector<std::uint8_t>(2, 0xFF)) << "outside every region";
}

TEST(SimBoxLayout, FullPacketsOfFortyEightTravelLeftAligned) {
    sim::BoxConfig config = sim::defaultBoxConfig();
    config.targets[0].packetDataSize = 48;
    SimBackend box({config});
    hid::Handle writer = hid::kNoHandle;
    ASSERT_EQ(box.open(SimBackend::pathOf(0), hid::Access::write, writer), 0);
    hid::Report program = frame(0x03, 0x1D000000, 48);
    for (int i = 0; i < 48; ++i) program[7 + i] = static_cast<std::uint8_t>(i);
    box.write(writer, program);
    const auto bytes = box.memory(0, 0x1D000000, 48);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[47], 47);
}

TEST(SimBoxLayout, ReadAnswersFollowThePacketSize) {
    struct Case {
        std::uint8_t packetSize, count;
        std::size_t firstDataByte;
    };
    for (const Case c :
         {Case{48, 48, 7}, Case{48, 20, 7}, Case{56, 56, 9}, Case{56, 20, 45}, Case{16, 16, 49}}) {
        sim::BoxConfig config = sim::defaultBoxConfig();
        config.targets[0].packetDataSize = c.packetSize;
        SimBackend box({config});
        std::vector<std::uint8_t> data(c.count);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
        box.setMemory(0, 0x1D000100, data);
        hid::Handle writer = hid::kNoHandle, reader = hid::kNoHandle;
        ASSERT_EQ(box.open(SimBackend::pathOf(0), hid::Access::write, writer), 0);
        ASSERT_EQ(box.open(SimBackend::pathOf(0), hid::Access::read, reader), 0);
        ASSERT_EQ(box.write(writer, frame(0x05, 0x1D000100, c.count)), 0);
        hid::Report answer{};
        ASSERT_EQ(box.read(reader, answer, 500), hid::ReadStatus::ok);
        EXPECT_EQ(answer[6], c.count);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), answer.begin() + static_cast<long>(c.firstDataByte)))
            << "M = " << int{c.packetSize} << ", count " << int{c.count};
    }
}

TEST_F(SimBox, ResetDropsOffTheBusAndComesBack) {
    box.setResetOffBusMs(30);
    ASSERT_EQ(box.write(writer, frame(0x32)), 0);
    EXPECT_TRUE(box.isPresent()) << "resetting processor 1 keeps the USB side up";
    ASSERT_EQ(box.write(writer, frame(0x12)), 0);
    EXPECT_FALSE(box.isPresent());
    EXPECT_TRUE(box.enumerate().empty());
    hid::Report answer{};
    EXPECT_EQ(box.read(reader, answer, 0), hid::ReadStatus::error);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    ASSERT_EQ(box.enumerate().size(), 1u);
    EXPECT_NE(box.write(writer, frame(0x01)), 0) << "handles from before the reset are stale";
    open();
    EXPECT_EQ(ask(frame(0x01))[2], 48);
    EXPECT_EQ(box.counts(0).reset, 1);
    EXPECT_EQ(box.counts(1).reset, 1);
}

TEST_F(SimBox, RecordsCommandsWithoutAnswers) {
    for (std::uint8_t command : {0x06, 0x26, 0x50, 0x09, 0x04, 0x7F})
        ASSERT_EQ(box.write(writer, frame(command)), 0);
    hid::Report answer{};
    EXPECT_EQ(box.read(reader, answer, 0), hid::ReadStatus::timeout);
    EXPECT_EQ(box.counts(0).command06, 1);
    EXPECT_EQ(box.counts(1).command06, 1);
    EXPECT_EQ(box.command50Count(), 1);
    EXPECT_EQ(box.counts(0).eraseUserData, 1);
    EXPECT_EQ(box.counts(0).programComplete, 1);
    EXPECT_EQ(box.hostFrames().size(), 6u);
}

TEST_F(SimBox, AnswersGoOnlyToHandlesOpenForReading) {
    hid::Handle late = hid::kNoHandle;
    ASSERT_EQ(box.write(writer, frame(0x01)), 0);
    ASSERT_EQ(box.open(SimBackend::pathOf(0), hid::Access::read, late), 0);
    hid::Report answer{};
    EXPECT_EQ(box.read(late, answer, 0), hid::ReadStatus::timeout) << "opened after the answer was sent";
    EXPECT_EQ(box.read(reader, answer, 0), hid::ReadStatus::ok);
}

TEST_F(SimBox, Faults) {
    box.dropNthAnswer(2);
    hid::Report answer{};
    for (int i = 0; i < 3; ++i) box.write(writer, frame(0x05, 0x1D000000 + 56 * i, 56));
    EXPECT_EQ(box.read(reader, answer, 0), hid::ReadStatus::ok);
    EXPECT_EQ(box.read(reader, answer, 0), hid::ReadStatus::ok);
    EXPECT_EQ(answer[2], 112) << "the second answer was dropped";
    EXPECT_EQ(box.read(reader, answer, 0), hid::ReadStatus::timeout);

    box.failNthWrite(2);
    EXPECT_EQ(box.write(writer, frame(0x04)), 0);
    EXPECT_NE(box.write(writer, frame(0x04)), 0);
    EXPECT_EQ(box.write(writer, frame(0x04)), 0);

    hid::Handle extra = hid::kNoHandle;
    box.failOpens(hid::Access::read, true);
    EXPECT_NE(box.open(SimBackend::pathOf(0), hid::Access::read, extra), 0);
    EXPECT_EQ(box.open(SimBackend::pathOf(0), hid::Access::write, extra), 0);
    EXPECT_NE(box.open("sim:nothing", hid::Access::write, extra), 0);

    box.unplugAfterReports(2);
    EXPECT_EQ(box.write(writer, frame(0x04)), 0);
    EXPECT_EQ(box.write(writer, frame(0x01)), 0);
    EXPECT_FALSE(box.isPresent());
    EXPECT_NE(box.write(writer, frame(0x04)), 0);
    EXPECT_EQ(box.read(reader, answer, 10), hid::ReadStatus::error);
}

TEST_F(SimBox, PacedLinkMovesOneReportPerMillisecond) {
    box.setPaced(true);
    const int requests = 30;
    const auto began = Clock::now();
    for (int i = 0; i < requests; ++i) ASSERT_EQ(box.write(writer, frame(0x05, 0x1D000000, 56)), 0);
    hid::Report answer{};
    for (int i = 0; i < requests; ++i) ASSERT_EQ(box.read(reader, answer, 1000), hid::ReadStatus::ok);
    const auto elapsed = Clock::now() - began;
    EXPECT_GE(elapsed, std::chrono::milliseconds(requests));
    EXPECT_LT(elapsed, std::chrono::milliseconds(requests * 10 + 200)) << "a sanity bound, not a measurement";
}

TEST_F(SimBox, TraceHasOneLinePerReport) {
    const testsupport::TempDir folder;
    const std::string file = folder.file("sim_trace.txt");
    ASSERT_TRUE(box.setTraceFile(file));
    ask(frame(0x01));
    box.write(writer, frame(0x04));
    EXPECT_TRUE(box.setTraceFile(""));
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "> 0001" + std::string(126, '0'));
    EXPECT_EQ(lines[1].substr(0, 10), "< 00013003");
    EXPECT_EQ(lines[1].size(), 132u);
    EXPECT_EQ(lines[2], "> 0004" + std::string(126, '0'));
}

TEST(SimBoxState, MemorySurvivesSaveAndLoadOfTheSameLayout) {
    const testsupport::TempDir folder;
    const std::string file = folder.file("sim_state.bin");
    SimBackend first;
    first.setMemory(0, 0x1D07E000, {1, 2, 3});
    first.setMemory(1, 0x1D07C000, {9});
    ASSERT_TRUE(first.saveMemory(file));
    SimBackend second;
    ASSERT_TRUE(second.loadMemory(file));
    EXPECT_EQ(second.memory(0, 0x1D07E000, 3), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(second.memory(1, 0x1D07C000, 1)[0], 9);

    sim::BoxConfig other = sim::defaultBoxConfig();
    other.targets[0].regions[0].size = 0x1000;
    SimBackend third({other});
    third.setMemory(0, 0x1D000000, {7});
    EXPECT_FALSE(third.loadMemory(file)) << "another layout";
    EXPECT_EQ(third.memory(0, 0x1D000000, 1)[0], 7);
    std::ofstream(file) << "garbage";
    EXPECT_FALSE(second.loadMemory(file));
    EXPECT_FALSE(second.loadMemory(file + ".missing"));
}

TEST(SimBoxPresets, DefaultPresetAndUnknownName) {
    EXPECT_NE(sim::makePresetBox(""), nullptr);
    EXPECT_NE(sim::makePresetBox("default"), nullptr);
    EXPECT_EQ(sim::makePresetBox("no-such-preset"), nullptr);
}

}  // namespace
