// arvex-cli update: the whole road on a terminal, as a user runs it without a server of their own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct CliRun {
    int status = -1;
    std::string output;
};

CliRun runCli(const std::string& arguments) {
    const std::string command = std::string(ARVEX_CLI) + " " + arguments + " 2>&1";
    CliRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

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
