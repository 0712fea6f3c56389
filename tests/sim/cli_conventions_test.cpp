// arvex-cli's conventions for every command: --help and --version answer and are never an argument, a bad
// argument exits 2 naming it, and --json output is one parsable object per line ending with the result.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "sim/box/hex_writer.h"
#include "support/run_cli.h"

namespace {

using testsupport::runCli;

// Every line of stdout (stderr dropped) parsed by python3's json module; the last one's "exit".
int lastExitOfJsonLines(const std::string& arguments, std::string& output) {
    const testsupport::CliRun run = runCli(arguments +
                                           " 2>/dev/null | python3 -c \"import json,sys\n"
                                           "lines=sys.stdin.read().splitlines()\n"
                                           "objs=[json.loads(l) for l in lines]\n"
                                           "assert objs[-1]['event']=='result'\n"
                                           "print(objs[-1]['exit'])\" ");
    output = run.output;
    return run.status == 0 ? std::stoi(run.output) : -1;
}

struct Case {
    const char* command;
    const char* badArgument;   // the word a usage error must name
    const char* simulatedRun;  // a run against the simulated box, with its exit code
    int simulatedExit;
};

const Case kCases[] = {
    {"devices", "extra", "devices", 0},
    {"info", "--bogus", "info", 0},
    {"identify", "--bogus", "identify --dual", 0},
    {"flash", "--bogus", "--wait 1 flash /nonexistent.hex", 1},
    {"read", "--bogus", "read", 2},
    {"erase-user-data", "--bogus", "erase-user-data", 0},
    {"reset", "--bogus", "reset", 0},
    {"login", "--bogus", "login --identity A,B", 2},
    {"list", "--bogus", "--server 127.0.0.1:1 list --identity AK02,1,2,3", 1},
    {"download", "--bogus", "download", 2},
    {"register", "--bogus", "register --name x", 2},
    {"update", "--bogus", "update 1 2", 2},
};

TEST(CliConventions, EveryCommandAnswersHelpVersionBadArgumentsAndJson) {
    for (const Case& c : kCases) {
        const std::string command = c.command;
        for (const std::string& help : {command + " --help", "help " + command, command + " x --help"}) {
            const auto run = runCli(help);
            EXPECT_EQ(run.status, 0) << help << "\n" << run.output;
            EXPECT_EQ(run.output.rfind("Usage: arvex-cli [OPTION]... " + command, 0), 0u) << run.output;
        }
        const auto version = runCli(command + " --version");
        EXPECT_EQ(version.status, 0) << version.output;
        EXPECT_EQ(version.output.rfind("arvex-cli 1.", 0), 0u) << version.output;

        const auto bad = runCli("--simulate " + command + " " + c.badArgument);
        EXPECT_EQ(bad.status, 2) << command << "\n" << bad.output;
        EXPECT_NE(bad.output.find(c.badArgument), std::string::npos) << bad.output;

        std::string output;
        EXPECT_EQ(lastExitOfJsonLines("--json --simulate " + std::string(c.simulatedRun), output),
                  c.simulatedExit)
            << c.simulatedRun << "\n"
            << output;
    }
}

TEST(CliConventions, ProgramLevelAnswersAndExitCodes) {
    const std::pair<const char*, int> cases[] = {
        {"--help", 0},
        {"help", 0},
        {"--version", 0},
        {"", 2},
        {"--bogus", 2},
        {"nocommand", 2},
        {"-q -v devices", 2},
        {"--wait", 2},
        {"--simulate=unplugged --wait 1 info", 5},
        {"--simulate=unplugged --wait 1 update", 5},
        {"--simulate --device 00012345 info", 0},
        {"--simulate --device sim:box0 identify", 0},
        {"--simulate --device 99999999 info", 5},
    };
    for (const auto& [arguments, status] : cases) {
        const auto run = runCli(arguments);
        EXPECT_EQ(run.status, status) << arguments << "\n" << run.output;
    }
    const auto version = runCli("--version");
    EXPECT_EQ(version.output.rfind("arvex-cli " ARVEX_VERSION "\n", 0), 0u) << version.output;
    EXPECT_NE(runCli("--bogus").output.find("--bogus"), std::string::npos);
}

// Flashing reports progress at a bounded rate (every whole 10 % and at most a few a second), not per packet.
TEST(CliConventions, JsonProgressIsBounded) {
    const std::string hex = ::testing::TempDir() + "cli_conventions.hex";
    {
        std::FILE* file = std::fopen(hex.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(sim::toIntelHex({{0x1D000000, std::vector<std::uint8_t>(48 * 400, 0x5A)}}).c_str(), file);
        std::fclose(file);
    }
    const auto run = runCli("--json --simulate flash " + hex + " 2>/dev/null | grep progress");
    std::istringstream lines(run.output);
    int count = 0;
    for (std::string line; std::getline(lines, line);) ++count;
    EXPECT_GE(count, 1) << run.output;
    EXPECT_LE(count, 40) << run.output;
    EXPECT_NE(run.output.find("\"percent\":100"), std::string::npos) << run.output;
}

}  // namespace
