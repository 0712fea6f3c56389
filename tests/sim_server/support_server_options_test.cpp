// arvex-support-server refuses bad options at start, naming them, with exit code 2.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

TEST(SupportServerOptionsTest, BadOptionsAreRefusedAtStart) {
    testsupport::TempDir tmp;
    const std::filesystem::path folder = tmp.path();
    const std::string missing = (folder / "no-such-folder").string();
    std::filesystem::create_directory(folder / "locked");
    std::filesystem::permissions(folder / "locked",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool rootIgnoresPermissions = ::access((folder / "locked").c_str(), W_OK) == 0;
    struct Case {
        std::string arguments;
        std::string named;
    };
    std::vector<Case> cases = {
        {"--port abc", "--port wants a number from 0 to 65535, not 'abc'"},
        {"--port 70000", "--port wants a number"},
        {"--port -1", "--port wants a number"},
        {"--port", "--port needs a value"},
        {"--delay 5x", "--delay wants a number"},
        {"--bogus", "unknown option '--bogus'"},
        {"--catalogue " + missing, "--catalogue " + missing + ": no such folder"},
        {"--state " + (folder / "none" / "state.tsv").string(), "--state"},
        {"--state " + folder.string(), "is a folder"},
    };
    if (!rootIgnoresPermissions)
        cases.push_back({"--state " + (folder / "locked" / "state.tsv").string(), "cannot create it"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const testsupport::CliRun run = testsupport::runCli(c.arguments);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(missing)) << "a missing catalogue folder is never created";
    std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_all);
}

}  // namespace
