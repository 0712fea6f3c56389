// arvex-cli's server commands against the stand-in server, as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/server/sample_catalogue.h"
#include "sim/server/support_server.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

using testsupport::CliRun;
using testsupport::runCli;

class CliServerCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standIn.start(0));
        server = "--server 127.0.0.1:" + std::to_string(standIn.port());
    }

    sim::SupportServer standIn;
    std::string server;
    testsupport::TempDir tmp;
    std::filesystem::path folder{tmp.path()};
};

TEST_F(CliServerCommandsTest, LoginOutcomes) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"00012345", 0, "box accepted"},
        {"00077777", 3, "not registered"},
        {"00066666", 4, "blocked"},
    };
    for (const auto& [serial, status, words] : cases) {
        for (const char* crypt : {"", "--no-crypt"}) {
            const CliRun run =
                runCli(server + " " + crypt + " login --identity AK02," + serial + ",14-09-2010,Arvex");
            EXPECT_EQ(run.status, status) << run.output;
            EXPECT_NE(run.output.find(words), std::string::npos) << run.output;
        }
    }
}

TEST_F(CliServerCommandsTest, LoginWithTheSimulatedBoxIdentity) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"--simulate", 0, "box AK02, serial 00012345: box accepted"},
        {"--simulate=unregistered", 3, "not registered"},
        {"--simulate=blocked", 4, "blocked"},
    };
    for (const auto& [simulate, status, words] : cases) {
        const CliRun run = runCli(std::string(simulate) + " " + server + " login");
        EXPECT_EQ(run.status, status) << run.output;
        EXPECT_NE(run.output.find(words), std::string::npos) << run.output;
    }
}

TEST_F(CliServerCommandsTest, ListDownloadAndRegister) {
    const std::string identity = " --identity AK02,00012345,14-09-2010,Arvex";
    CliRun run = runCli(server + " list" + identity);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("release_notes.txt"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("AK03"), std::string::npos) << run.output;

    const std::string id = standIn.idOf(sim::kSampleAk03Dual);
    const std::filesystem::path target = folder / "fw.hex";
    run = runCli(server + " download " + id + " -o " + target.string() + identity);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(
        std::filesystem::file_size(target),
        std::filesystem::file_size(std::filesystem::path(standIn.catalogueFolder()) / sim::kSampleAk03Dual));

    run = runCli(server + " download 999 -o " + (folder / "none").string() + identity);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Error: File not found"), std::string::npos) << run.output;

    run = runCli(server +
                 " register --name Ana --mail ana@example.com --password pw --country ES "
                 "--identity AK02,00077777,14-09-2010,Arvex");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(standIn.isRegistered("00077777"));
}

TEST_F(CliServerCommandsTest, RegisterChecksItsFieldsBeforeSending) {
    const std::string identity = " --identity AK02,00077777,14-09-2010,Arvex";
    const std::pair<const char*, const char*> cases[] = {
        {"--mail ana@example.com --password pw --country ES", "--name is missing"},
        {"--name Ana --password pw --country ES", "--mail is missing"},
        {"--name Ana --mail ana@example.com --country ES", "--password is missing"},
        {"--name Ana --mail ana@example.com --password pw", "--country is missing"},
        {"--name 'Ana<b>' --mail ana@example.com --password pw --country ES", "--name:"},
        {"--name Ana --mail ana@x --password pw --country ES", "--mail: 'ana@x' is not an e-mail address"},
        {"--name Ana --mail ana@example.com --password 'p\"w' --country ES", "--password:"},
        {"--name Ana --mail ana@example.com --password pw --country XX", "--country: 'XX'"},
        {"--name Ana --mail ana@example.com --password pw --country es", "--country: 'es'"},
    };
    for (const auto& [fields, named] : cases) {
        SCOPED_TRACE(fields);
        const CliRun run = runCli(server + " register " + fields + identity);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(named), std::string::npos) << run.output;
    }
    EXPECT_EQ(standIn.requestCount(), 0u) << "nothing was sent";
}

TEST_F(CliServerCommandsTest, UnreachableServerFails) {
    sim::SupportServer closed;
    ASSERT_TRUE(closed.start(0));
    const std::string dead = "--server 127.0.0.1:" + std::to_string(closed.port());
    closed.stop();
    const CliRun run = runCli(dead + " login --identity AK02,00012345,14-09-2010,Arvex");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Error (data-post)"), std::string::npos) << run.output;
    EXPECT_EQ(runCli("--server nowhere login --identity A,B,C,D").status, 2);
}

}  // namespace
