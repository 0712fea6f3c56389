// arvex-cli's box commands against the simulated box, as a user runs them, with the box's memory kept
// in a state file between runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "sim/box/hex_writer.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

using testsupport::CliRun;
using testsupport::runCli;

class CliProgrammingCommands : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

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
        {"read", "usage"},
        {"flash a.hex --target 2", "usage"},
    };
    for (const auto& [arguments, text] : cases) {
        const CliRun run = runCli(state + " " + arguments);
        EXPECT_NE(run.status, 0) << arguments;
        EXPECT_NE(run.output.find(text), std::string::npos) << arguments << "\n" << run.output;
    }
    for (const char* command : {"erase-user-data", "reset", "erase-user-data --dual"})
        EXPECT_EQ(runCli(state + " " + command).status, 0) << command;
}

}  // namespace
