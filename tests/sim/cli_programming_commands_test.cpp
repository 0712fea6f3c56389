// arvex-cli's box commands against the simulated box, as a user runs them, with the box's memory kept
// in a state file between runs.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/box/hex_writer.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

using testsupport::CliRun;
using testsupport::interruptAndWait;
using testsupport::runCli;
using testsupport::spawnCli;

class CliProgrammingCommands : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    void flashAndReadBack(const std::string& state);

    testsupport::TempDir tmp;
    std::filesystem::path folder{tmp.path()};
    std::string state = "--simulate --sim-state " + (folder / "state").string();
};

TEST_F(CliProgrammingCommands, IdentifyShowsThePresetsIdentity) {
    const std::tuple<const char*, int, std::vector<const char*>> cases[] = {
        {"--simulate", 0, {"AK02", "00012345", "14-09-2010", "Arvex", "1.0"}},
        {"--simulate=ak03", 0, {"AK03", "00023456"}},
        {"--simulate=noversions", 0, {"00034567", "Firmware version  \n", "Hardware version  \n"}},
        {"--simulate=nosuchbox", 2, {"unknown simulation preset"}},
    };
    for (const auto& [option, status, texts] : cases) {
        const CliRun run = runCli(std::string(option) + " identify");
        EXPECT_EQ(run.status, status) << option << "\n" << run.output;
        for (const char* text : texts)
            EXPECT_NE(run.output.find(text), std::string::npos) << option << ": " << text;
    }
    const CliRun dual = runCli("--simulate identify --dual");
    EXPECT_NE(dual.output.find("target 1"), std::string::npos) << dual.output;
}

TEST_F(CliProgrammingCommands, FlashThenReadGivesBackTheImageAcrossRuns) {
    // 48-byte packets (the default box) and 56-byte right-aligned ones.
    for (const char* preset : {"--simulate", "--simulate=good56"}) {
        SCOPED_TRACE(preset);
        const std::string state = std::string(preset) + " --sim-state " +
                                  (folder / (std::string(preset).substr(2) + ".state")).string();
        flashAndReadBack(state);
    }
}

void CliProgrammingCommands::flashAndReadBack(const std::string& state) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> image(100000);
    for (auto& byte : image) byte = static_cast<std::uint8_t>(random());
    std::fill(image.begin() + 30000, image.begin() + 60000, 0xFF);  // a gap blank skipping leaves out
    const std::string hex = write("image.hex", sim::toIntelHex({{0x1D000000, image}}));

    const CliRun flashed = runCli(state + " flash " + hex + " --verify");
    ASSERT_EQ(flashed.status, 0) << flashed.output;
    EXPECT_NE(flashed.output.find("blank packets skipped"), std::string::npos);
    EXPECT_NE(flashed.output.find("491520 bytes match the image"), std::string::npos) << flashed.output;

    const std::string back = (folder / "back.bin").string();
    const CliRun read = runCli(state + " read -o " + back);
    ASSERT_EQ(read.status, 0) << read.output;
    std::ifstream in(back, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 0x80000u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + static_cast<long>(image.size()), bytes.begin() + 0x78000,
                            [](std::uint8_t b) { return b == 0xFF; }));

    // The identity area survives the update.
    const CliRun identity = runCli(state + " identify");
    EXPECT_NE(identity.output.find("00012345"), std::string::npos) << identity.output;
}

TEST_F(CliProgrammingCommands, BadInputIsRefusedBeforeTheBoxIsTouched) {
    const std::tuple<std::string, const char*> cases[] = {
        {"flash " + write("bad.hex", ":0000000aff\n"), "checksum"},
        {"flash " + write("plain.txt", "hello\n"), "does not start with ':'"},
        {"flash " + (folder / "missing.hex").string(), "cannot open"},
        {"flash " + folder.string(), "is not a regular file"},
        {"flash " + write("outside.hex", sim::toIntelHex({{0x30000000, {1, 2, 3}}})),
         "no record puts data into the box's memory"},
        {"flash " + write("noeof.hex", ":020000041D00DD\n:0100000001FE\n"), "end-of-file record is missing"},
        {"flash " + write("gap.hex", ":020000041D00DD\n:0100000001FE\n\n:0100010002FC\n:00000001FF\n"),
         "line 3: an empty line ends the records, more follow it"},
        {"flash " + write("checksum.hex", ":020000041D00DD\n:0100000001FE\n:0100010002FD\n"),
         "line 3: checksum FD, expected FC"},
        {"flash " + write("long.hex", ":020000041D00DD\n:01000000" + std::string(5000, '0') + "01FE\n"),
         "line 2: longer than 4096 characters"},
        {"read", "usage"},
        {"flash a.hex --target 2", "usage"},
    };
    for (const auto& [arguments, text] : cases) {
        const CliRun run =
            runCli(state + " --trace " + (folder / "refused.trace").string() + " " + arguments);
        EXPECT_NE(run.status, 0) << arguments;
        std::ifstream trace(folder / "refused.trace");
        for (std::string line; std::getline(trace, line);)
            EXPECT_NE(line.substr(0, 6), "> 0002") << arguments << ": the box was erased";
        EXPECT_NE(run.output.find(text), std::string::npos) << arguments << "\n" << run.output;
    }
    for (const char* command : {"erase-user-data", "reset", "erase-user-data --dual"})
        EXPECT_EQ(runCli(state + " " + command).status, 0) << command;
}

TEST_F(CliProgrammingCommands, TraceWritesEveryReportOfTheRun) {
    for (const char* option : {"--trace", "--sim-trace"}) {
        const std::string trace = (folder / (std::string(option).substr(2) + ".txt")).string();
        const CliRun run = runCli(std::string("--simulate ") + option + " " + trace + " identify");
        ASSERT_EQ(run.status, 0) << run.output;
        std::ifstream in(trace);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        ASSERT_GE(lines.size(), 4u) << option;
        EXPECT_EQ(lines[0], "> 0001" + std::string(126, '0')) << option;
        EXPECT_EQ(lines[1].substr(0, 10), "< 00013003") << option << ": the query answer, M = 48";
        EXPECT_TRUE(std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.size() == 132 && (line[0] == '>' || line[0] == '<') && line[1] == ' ';
        }));
    }
}

TEST_F(CliProgrammingCommands, StateFileProblemsAreNamed) {
    const std::string damaged = write("damaged.state", "arvex-sim-memory 1\nregion 0 0 1 2\n");
    const CliRun load = runCli("--simulate --sim-state " + damaged + " identify");
    EXPECT_EQ(load.status, 2) << load.output;
    EXPECT_NE(load.output.find("cut short or damaged; delete the file to start with a fresh box"),
              std::string::npos)
        << load.output;

    const std::string unwritable = (folder / "no-such-folder" / "state").string();
    const CliRun save = runCli("--simulate --sim-state " + unwritable + " identify");
    EXPECT_EQ(save.status, 1) << save.output;
    EXPECT_NE(save.output.find("cannot save the simulated box's memory to " + unwritable), std::string::npos)
        << save.output;
}

TEST_F(CliProgrammingCommands, BoxCommandsWaitForABoxAndSaySo) {
    const std::string hex = write("one.hex", sim::toIntelHex({{0x1D000000, {1, 2, 3}}}));
    const std::vector<std::string> commands = {"identify",        "info",        "reset", "read -o x.bin",
                                               "erase-user-data", "flash " + hex};
    // The runs wait side by side: each one's wait is measured on its own.
    std::vector<std::future<std::pair<CliRun, std::chrono::steady_clock::duration>>> runs;
    for (const std::string& command : commands)
        runs.push_back(std::async(std::launch::async, [command] {
            const auto began = std::chrono::steady_clock::now();
            CliRun run = runCli("--simulate=unplugged --wait 1 " + command);
            return std::make_pair(run, std::chrono::steady_clock::now() - began);
        }));
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string& command = commands[i];
        const auto [run, waited] = runs[i].get();
        EXPECT_EQ(run.status, 5) << command << "\n" << run.output;
        EXPECT_NE(run.output.find("waiting up to 1 s for an Arvex box"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("no Arvex box found"), std::string::npos) << run.output;
        EXPECT_GE(waited, std::chrono::seconds(1)) << command;
    }
    EXPECT_EQ(runCli("--wait soon --simulate identify").status, 2);
}

// A run cut off by a signal saves the box's memory, removes nothing it should keep, and exits 130.
TEST_F(CliProgrammingCommands, SignalsSaveTheStateAndEndWith130) {
    for (const int signal : {SIGINT, SIGTERM}) {
        const std::string stateFile = (folder / ("signal" + std::to_string(signal) + ".state")).string();
        const pid_t child =
            spawnCli({"--simulate=unplugged", "--sim-state", stateFile, "--wait", "0", "identify"});
        ASSERT_GE(child, 0);
        // Give it time to start waiting for the box; it waits for ever.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(interruptAndWait(child, signal), 130) << "signal " << signal;
        std::ifstream in(stateFile, std::ios::binary);
        std::string header;
        std::getline(in, header);
        EXPECT_EQ(header, "arvex-sim-memory 1") << "signal " << signal;
        std::size_t leftovers = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename().string().find(".state.") != std::string::npos) ++leftovers;
        EXPECT_EQ(leftovers, 0u) << "no temporary state file is left behind";
    }
}

// A record behind a long run of blanks is read whole and programmed.
TEST_F(CliProgrammingCommands, RecordBehindManyBlanksIsProgrammed) {
    const std::string hex =
        write("blanks.hex", ":020000041D00DD\n" + std::string(5000, ' ') + ":0100000001FE\n:00000001FF\n");
    const CliRun flashed = runCli(state + " flash " + hex + " --verify");
    ASSERT_EQ(flashed.status, 0) << flashed.output;
    const std::string back = (folder / "back.bin").string();
    ASSERT_EQ(runCli(state + " read -o " + back).status, 0);
    std::ifstream in(back, std::ios::binary);
    EXPECT_EQ(in.get(), 0x01);
}

}  // namespace
