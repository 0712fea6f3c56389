// arvex-cli --all and --wait-new: several simulated boxes on one bus, each flashed on its own BootLoader.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "bootloader/session.h"
#include "cli/flash_job.h"
#include "cli/fleet.h"
#include "new_box_watcher.h"
#include "sim/box/hex_writer.h"
#include "sim/box/presets.h"
#include "support/box_results.h"
#include "support/temp_dir.h"
#include "unplug_mid_programming.h"

namespace {

using namespace std::chrono_literals;

std::string writeImage(const testsupport::TempDir& dir) {
    std::vector<std::uint8_t> bytes(16 * 1024);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const std::string file = dir.file("image.hex");
    std::ofstream(file) << sim::toIntelHex({{0x1D000000, bytes}});
    return file;
}

// What the board wrote so far, read through a handle of its own (the board may still be writing).
std::string contents(const std::string& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FailingBoxCase {
    const char* presets;
    std::size_t failing;
};

class FlashAll : public testing::TestWithParam<FailingBoxCase> {};

TEST_P(FlashAll, OneBoxFailingMidProgrammingLeavesTheOthersDone) {
    const testsupport::TempDir dir;
    const std::string image = writeImage(dir);
    const auto bus = sim::makePresetBox(GetParam().presets);
    ASSERT_NE(bus, nullptr);
    const std::vector<std::string> paths = cli::presentBoxes(*bus);
    const std::string outFile = dir.file("out.txt");
    std::FILE* out = std::fopen(outFile.c_str(), "w");
    cli::FleetBoard board(out, cli::FleetBoard::Style::plain);
    const cli::FlashRequest request{image, 0, 5};
    const int code = cli::runOnAll(
        paths,
        [&](const std::string& path, cli::BoxReporter& reporter) {
            if (path != sim::SimBackend::pathOf(GetParam().failing))
                return cli::flashBox(bus, path, request, reporter);
            UnplugMidProgramming unplugging(reporter, *bus, GetParam().failing);
            return cli::flashBox(bus, path, request, unplugging);
        },
        board);
    board.printSummary();
    std::fclose(out);
    const std::string text = contents(outFile);

    EXPECT_EQ(code, 1) << text;
    ASSERT_EQ(board.rowCount(), paths.size());
    for (std::size_t box = 0; box < paths.size(); ++box) {
        const bool fails = box == GetParam().failing;
        EXPECT_EQ(board.outcome(box)->exitCode, fails ? 1 : 0) << box << "\n" << text;
        EXPECT_EQ(board.serialOf(box), std::to_string(sim::serialAt(12345, box) + 100000000).substr(1));
        EXPECT_EQ(bus->counts(0, box).programComplete, fails ? 0 : 1) << box;
    }
    // The summary names every box with its serial and result, the failing one with its cause.
    for (const char* words : {"box  ", "serial", "sim:box0  00012345", "programming failed", "done"})
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
}

INSTANTIATE_TEST_SUITE_P(Boxes, FlashAll,
                         testing::Values(FailingBoxCase{"good,good", 1}, FailingBoxCase{"good,good,good", 0},
                                         FailingBoxCase{"good,good,good", 1}));

TEST(FleetBoard, ExitCodeIsTheFirstFailureInBoxOrder) {
    const testsupport::TempDir dir;
    const std::string outFile = dir.file("out.txt");
    std::FILE* out = std::fopen(outFile.c_str(), "w");
    cli::FleetBoard board(out, cli::FleetBoard::Style::json);
    for (const char* box : {"a", "b", "c"}) board.add(box);
    board.finish(0, {0, "done", false});
    board.finish(2, {4, "blocked", false});
    EXPECT_EQ(board.exitCode(), 1);  // b still runs
    board.finish(1, {3, "not registered", false});
    EXPECT_EQ(board.exitCode(), 3);
    board.printSummary();
    // Every line is one object tagged with its box.
    std::fclose(out);
    std::istringstream lines(contents(outFile));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_TRUE(line.rfind("{\"box\":\"", 0) == 0 && line.back() == '}') << line;
    EXPECT_EQ(count, 9);
}

// The window's texts are Windows-1252: a JSON line carries them as UTF-8, so that it stays valid JSON.
TEST(FleetBoard, JsonLinesCarryWindowTextsAsUtf8) {
    const testsupport::TempDir dir;
    const std::string outFile = dir.file("out.txt");
    std::FILE* out = std::fopen(outFile.c_str(), "w");
    cli::FleetBoard board(out, cli::FleetBoard::Style::json);
    board.add("a");
    board.line(0, "Versi\xF3n \"1.3\"\t");
    std::fclose(out);
    EXPECT_NE(contents(outFile).find("\"text\":\"Versi\xC3\xB3n \\\"1.3\\\"\\t\""), std::string::npos)
        << contents(outFile);
}

// A workshop plugs boxes in one after another; each is flashed and reset, and a box that comes back after
// that reset is skipped.
TEST(WaitNew, FlashesEachBoxAsItArrivesAndSkipsOneBackFromItsReset) {
    const testsupport::TempDir dir;
    const std::string image = writeImage(dir);
    const auto bus = sim::makePresetBox("good,good");
    ASSERT_NE(bus, nullptr);
    bus->setResetOffBusMs(700);
    bus->unplug(0);
    bus->unplug(1);
    const std::string outFile = dir.file("out.txt");
    std::FILE* out = std::fopen(outFile.c_str(), "w");
    cli::FleetBoard board(out, cli::FleetBoard::Style::plain);
    const cli::FlashRequest request{image, 0, 5};
    const auto flashAndReset = [&](const std::string& path, cli::BoxReporter& reporter) {
        cli::BoxOutcome outcome = cli::flashBox(bus, path, request, reporter);
        bootloader::BootLoader session(bus, {}, path);
        outcome.resetAtEnd = session.connect() == bootloader::ConnectResult::done && session.connected != 0 &&
                             session.resetDevice(false) == bootloader::CommandResult::ok;
        return outcome;
    };
    const auto readSerial = [&](const std::string& path) { return cli::readBoxSerial(bus, path, 5); };
    testsupport::NewBoxWatcher watcher(*bus, flashAndReset, readSerial, board);
    bus->plug(0);
    EXPECT_TRUE(watcher.waitForRows(1));
    bus->plug(1);
    EXPECT_TRUE(watcher.waitForRows(2));
    // Both boxes come back from their resets and are seen again.
    EXPECT_TRUE(testsupport::waitFor([&] {
        const std::string text = contents(outFile);
        std::size_t skips = 0;
        for (std::size_t at = text.find("not updated again"); at != std::string::npos;
             at = text.find("not updated again", at + 1))
            ++skips;
        return skips == 2;
    }));
    const int code = watcher.stop();
    std::fclose(out);
    const std::string text = contents(outFile);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(board.rowCount(), 2u) << text;
    for (std::size_t box = 0; box < 2; ++box) EXPECT_EQ(bus->counts(0, box).programComplete, 1) << text;
    EXPECT_NE(text.find("sim:box0: box 00012345 came back after its own reset; not updated again"),
              std::string::npos)
        << text;
}

}  // namespace
