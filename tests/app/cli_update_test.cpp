// arvex-cli update: the whole road on a terminal, as a user runs it without a server of their own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/run_cli.h"

namespace {

using testsupport::CliRun;
using testsupport::runCli;

TEST(CliUpdate, WalksTheRoadAndLogsInAgain) {
    const CliRun run = runCli("--simulate update");
    EXPECT_EQ(run.status, 0) << run.output;
    std::size_t at = 0;
    for (const char* line : {"Connected to server", "Chosen: ak02_fw_1.3.hex", "Download success",
                             "[dialog: updating firmware]", "Firmware has been updated successfully",
                             "Reseting...", "Completed", "Connected to server", "done:"}) {
        at = run.output.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
    }
}

TEST(CliUpdate, StopsWhereTheWindowWould) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"--simulate=unregistered update", 3, "register it first"},
        {"--simulate=nosuchbox update", 2, "arvex-cli"},
        {"--simulate update 1 2", 2, "usage"},
    };
    for (const auto& [arguments, status, words] : cases) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, status) << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(words), std::string::npos) << run.output;
    }
}

}  // namespace
