// update --all and --wait-new: the update road on several simulated boxes of one bus, each box with its own
// BootLoader, server client and window logic, against one stand-in server that knows every box.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli/flash_job.h"
#include "cli/fleet.h"
#include "cli/update_job.h"
#include "new_box_watcher.h"
#include "sim/box/presets.h"
#include "sim/server/support_server.h"
#include "support/temp_dir.h"
#include "unplug_mid_programming.h"

namespace {

using namespace std::chrono_literals;

std::string contents(const std::string& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The bus's boxes and a stand-in server whose registry holds the serials the bus gives them.
struct FleetFixture {
    explicit FleetFixture(const char* presets) : bus(sim::makePresetBox(presets)) {
        sim::SupportServerOptions options;
        options.registry = cli::registryForBus(bus->enumerate().size());
        server = std::make_unique<sim::SupportServer>(options);
        started = server->start(0);
        request.server = {"127.0.0.1", server->port()};
        request.settings.afterProgramming = 300ms;
        out = std::fopen(outFile.c_str(), "w");
    }
    ~FleetFixture() {
        if (out != nullptr) std::fclose(out);
    }
    std::string text() {
        std::fflush(out);
        return contents(outFile);
    }

    testsupport::TempDir dir;
    std::shared_ptr<sim::SimBackend> bus;
    std::unique_ptr<sim::SupportServer> server;
    bool started = false;
    cli::UpdateRequest request;
    std::string outFile = dir.file("out.txt");
    std::FILE* out = nullptr;
};

TEST(UpdateAll, OneBoxFailingMidProgrammingLeavesTheOtherUpdatedAndLoggedInAgain) {
    FleetFixture fleet("good,ak03,good");
    ASSERT_TRUE(fleet.started);
    cli::FleetBoard board(fleet.out, cli::FleetBoard::Style::plain);
    const int code = cli::runOnAll(
        cli::presentBoxes(*fleet.bus),
        [&](const std::string& path, cli::BoxReporter& reporter) {
            if (path != sim::SimBackend::pathOf(0))
                return cli::updateBox(fleet.bus, path, fleet.request, reporter);
            UnplugMidProgramming unplugging(reporter, *fleet.bus, 0);
            return cli::updateBox(fleet.bus, path, fleet.request, unplugging);
        },
        board);
    board.printSummary();
    const std::string text = fleet.text();

    EXPECT_EQ(code, 1) << text;
    ASSERT_EQ(board.rowCount(), 3u);
    EXPECT_EQ(board.outcome(0)->exitCode, 1) << text;
    EXPECT_FALSE(board.outcome(0)->resetAtEnd) << text;
    EXPECT_EQ(fleet.bus->counts(0, 0).reset, 0);
    for (std::size_t box = 1; box < 3; ++box) {
        EXPECT_EQ(board.outcome(box)->exitCode, 0) << box << "\n" << text;
        EXPECT_TRUE(board.outcome(box)->resetAtEnd) << box;
        EXPECT_EQ(fleet.bus->counts(0, box).reset, 1) << box;
    }
    // The others carry derived serials, which the stand-in knows: they logged in and were updated.
    EXPECT_EQ(board.serialOf(1), "01023456");
    EXPECT_EQ(board.serialOf(2), "02012345");
    EXPECT_LT(fleet.bus->counts(0, 0).programComplete, fleet.bus->counts(0, 2).programComplete);
    // The window's log lines land on the box's own line.
    for (const char* words : {"sim:box1: Firmware has been updated successfully", "sim:box1: Chosen: ",
                              "sim:box0  00012345", "programming failed", "logged in again"})
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
}

// A workshop plugs one box, then another; each is updated once, though each is reset by its road and comes
// back to the bus.
TEST(UpdateWaitNew, UpdatesEachBoxAsItArrivesAndOnlyOnce) {
    FleetFixture fleet("good,good");
    ASSERT_TRUE(fleet.started);
    fleet.bus->setResetOffBusMs(700);
    fleet.bus->unplug(0);
    fleet.bus->unplug(1);
    cli::FleetBoard board(fleet.out, cli::FleetBoard::Style::plain);
    const auto job = [&](const std::string& path, cli::BoxReporter& reporter) {
        return cli::updateBox(fleet.bus, path, fleet.request, reporter);
    };
    const auto readSerial = [&](const std::string& path) { return cli::readBoxSerial(fleet.bus, path, 5); };
    testsupport::NewBoxWatcher watcher(*fleet.bus, job, readSerial, board);
    fleet.bus->plug(0);
    EXPECT_TRUE(watcher.waitForRows(1));
    fleet.bus->plug(1);
    EXPECT_TRUE(watcher.waitForRows(2));
    std::this_thread::sleep_for(1500ms);  // more than a reset's time off the bus and several looks at it
    const int code = watcher.stop();
    const std::string text = fleet.text();
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(board.rowCount(), 2u) << text;
    // One road each: one reset, and the same program-complete frames on both boxes.
    for (std::size_t box = 0; box < 2; ++box)
        EXPECT_EQ(fleet.bus->counts(0, box).reset, 1) << box << "\n" << text;
    EXPECT_GT(fleet.bus->counts(0, 0).programComplete, 0);
    EXPECT_EQ(fleet.bus->counts(0, 0).programComplete, fleet.bus->counts(0, 1).programComplete);
    EXPECT_EQ(board.serialOf(1), "01012345") << text;
}

}  // namespace
