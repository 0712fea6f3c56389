// arvex-cli update: the whole road on a terminal, as a user runs it without a server of their own.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "sim/server/sample_catalogue.h"
#include "sim/server/support_server.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

using testsupport::CliRun;
using testsupport::runCli;

// arvex-cli run from inside a folder (downloads that are not containers are saved in the current folder).
CliRun runCliIn(const std::string& folder, const std::string& arguments) {
    return testsupport::runShell("cd '" + folder + "' && " + ARVEX_CLI + " " + arguments + " 2>&1");
}

bool has(const CliRun& run, const std::string& words) {
    return run.output.find(words) != std::string::npos;
}

TEST(CliUpdate, WalksTheRoadAndLogsInAgain) {
    const CliRun run = runCli("--simulate update");
    EXPECT_EQ(run.status, 0) << run.output;
    std::size_t at = 0;
    for (const char* line :
         {"Stand-in support server on 127.0.0.1", "Connected to server", "Chosen: ak02_fw_1.3.hex",
          "Download success", "[dialog: updating firmware]", "Firmware has been updated successfully",
          "Reseting...", "Completed", "Connected to server", "done:"}) {
        at = run.output.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
    }
}

// Both packet layouts (48-byte packets from byte 7, 56-byte ones right-aligned) and a box whose erase takes
// longer than a plain answer may.
TEST(CliUpdate, WalksTheRoadOnEveryPacketLayoutAndASlowErase) {
    const char* const presets[] = {"good56", "slowerase"};
    std::vector<std::future<CliRun>> runs;  // side by side: each road waits out the 3 s after programming
    for (const char* preset : presets)
        runs.push_back(std::async(std::launch::async, [preset] {
            return runCli(std::string("--simulate=") + preset + " update");
        }));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const char* preset = presets[i];
        const CliRun run = runs[i].get();
        EXPECT_EQ(run.status, 0) << preset << "\n" << run.output;
        EXPECT_TRUE(has(run, "Firmware has been updated successfully")) << preset << "\n" << run.output;
        EXPECT_TRUE(has(run, "done:")) << preset << "\n" << run.output;
    }
}

TEST(CliUpdate, StopsWhereTheWindowWould) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"--simulate=unregistered update", 3, "register it first"},
        {"--simulate=nosuchbox update", 2, "arvex-cli"},
        {"--simulate update 1 2", 2, "usage"},
        {"--wait soon update", 2, "--wait wants a whole number of seconds"},
    };
    for (const auto& [arguments, status, words] : cases) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, status) << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(words), std::string::npos) << run.output;
    }
}

// --simulate picks the box, --server the server; the stand-in runs only for --simulate without --server.
TEST(CliUpdate, BoxAndServerFollowTheGlobalOptions) {
    sim::SupportServer server;
    ASSERT_TRUE(server.start(0));
    const std::string at = "--server 127.0.0.1:" + std::to_string(server.port());
    struct Case {
        std::string arguments;
        int status;
        const char* words;
        bool standIn;
    };
    const Case cases[] = {
        {"--wait 1 update", 5, "waiting up to 1 s for an Arvex box", false},
        {"--wait 1 " + at + " update", 5, "no box found within 1 s", false},
        {"--simulate " + at + " update", 0, "done:", false},
    };
    for (const Case& c : cases) {
        const std::size_t before = server.requestCount();
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_TRUE(has(run, c.words)) << c.arguments << "\n" << run.output;
        EXPECT_EQ(has(run, "Stand-in"), c.standIn) << c.arguments << "\n" << run.output;
        EXPECT_EQ(server.requestCount() > before, c.status == 0 && !c.standIn) << c.arguments;
    }
}

// A file id that is not a container is downloaded and said to be so; a folder id opens that folder.
TEST(CliUpdate, FileIdOfAFileOrAFolder) {
    sim::SupportServer server;
    ASSERT_TRUE(server.start(0));
    testsupport::TempDir dir;
    const std::string at = "--simulate --server 127.0.0.1:" + std::to_string(server.port()) + " update ";

    const CliRun notes = runCliIn(dir.path(), at + server.idOf(sim::kSampleReleaseNotes));
    EXPECT_EQ(notes.status, 0) << notes.output;
    EXPECT_TRUE(has(notes, "is not a firmware container")) << notes.output;
    EXPECT_TRUE(has(notes, "saved to ./release_notes.txt")) << notes.output;
    EXPECT_EQ(std::filesystem::file_size(dir.file("release_notes.txt")),
              std::filesystem::file_size(server.catalogueFolder() + "/" + sim::kSampleReleaseNotes));

    const CliRun folder = runCliIn(dir.path(), at + server.idOf("AK02/Older"));
    EXPECT_EQ(folder.status, 0) << folder.output;
    EXPECT_TRUE(has(folder, "Chosen: ak02_fw_1.2.hex")) << folder.output;
}

// A container that must not be programmed ends the run at once with its cause, not after the step's time
// limit; its bad second image is found before the first one is started.
TEST(CliUpdate, AFailedProgrammingEndsAtOnceWithItsCause) {
    testsupport::TempDir catalogue;
    std::string badB = sim::sampleImage(sim::SampleImageId::ak03Target1).hexText;
    badB[badB.find('\n') - 1] ^= 0x01;  // the first record's checksum no longer matches
    std::filesystem::create_directories(catalogue.file("AK02"));
    std::ofstream(catalogue.file("AK02/dual.hex"), std::ios::binary)
        << sim::firmwareContainer(sim::sampleImage(sim::SampleImageId::ak03Target0).hexText, badB);
    sim::SupportServerOptions options;
    options.catalogueFolder = catalogue.path();
    sim::SupportServer server(options);
    ASSERT_TRUE(server.start(0));

    const auto started = std::chrono::steady_clock::now();
    const CliRun run = runCli("--simulate --server 127.0.0.1:" + std::to_string(server.port()) + " update");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(has(run, "programming failed: ")) << run.output;
    EXPECT_TRUE(has(run, "Error reading firmware [32]")) << run.output;
    EXPECT_FALSE(has(run, "[dialog: updating firmware]")) << run.output;
}

// An interrupted run removes the temporary folders it made: the image files' and the stand-in server's.
TEST(CliUpdate, SignalsRemoveTheTemporaryFolders) {
    for (const int signal : {SIGINT, SIGTERM}) {
        testsupport::TempDir temp;
        const pid_t child = testsupport::spawnCli({"--simulate=unplugged", "--wait", "0", "update"},
                                                  {{"TMPDIR", temp.path()}});
        ASSERT_GE(child, 0);
        // It waits for the box for ever once the window logic and the stand-in server are set up.
        const auto entries = [&] {
            std::size_t count = 0;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.path())) {
                (void)entry;
                ++count;
            }
            return count;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (entries() < 3 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_GE(entries(), 3u) << "the run's folder, its image folder and the catalogue";
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(testsupport::interruptAndWait(child, signal), 130) << "signal " << signal;
        EXPECT_EQ(entries(), 0u) << "signal " << signal;
    }
}

}  // namespace
