// Two server clients in one process, on two threads at the same time, against one stand-in server: each
// keeps its own request id, server key, folder and records.
#include <gtest/gtest.h>

#include <barrier>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sim/server/sample_catalogue.h"
#include "stand_in_fixture.h"

namespace {

using namespace server;

class TwoClientsTest : public testing_support::StandInTest {};

// What one client is and what it must see.
struct Party {
    Party(DeviceInfo identity, bool seal, std::string folderBelow, std::string file)
        : device(std::move(identity)),
          sealed(seal),
          folderPath(std::move(folderBelow)),
          filePath(std::move(file)) {}
    Party(const Party&) = delete;
    Party& operator=(const Party&) = delete;

    DeviceInfo device;
    bool sealed;
    std::string folderPath;  // below the catalogue folder
    std::string filePath;
    std::vector<std::string> lines;  // its own log
    ServerClient client{[this](std::int32_t, const std::string& text, std::int32_t, std::uint32_t) {
        lines.push_back(text);
    }};
    std::vector<std::string> keys;  // the server key after each login
};

TEST_F(TwoClientsTest, InterleavedSessionsStayApart) {
    Party parties[2] = {
        {{"AK02", "00012345", "14-09-2010", "Arvex", "1"}, true, "AK02", sim::kSampleAk02Current},
        {{"AK03", "00023456", "14-09-2010", "Arvex", "2"}, false, "AK03", sim::kSampleAk03Dual},
    };
    for (Party& party : parties) {
        pointAtStandIn(party.client);
        party.client.device = party.device;
        if (!party.sealed) {
            party.client.session.cryptEnabled = false;
            party.client.endpoint.requestPath = std::string(kDefaultRequestPath) + "?nocrypt=1";
        }
    }
    constexpr int kRounds = 4;
    std::barrier step(2);  // both threads start each exchange together
    auto run = [&](Party& party, int index) {
        ServerClient& client = party.client;
        const std::string folderId = standIn->idOf(party.folderPath);
        const std::string fileId = standIn->idOf(party.filePath);
        for (int round = 0; round < kRounds; ++round) {
            step.arrive_and_wait();
            std::string answer;
            EXPECT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
            EXPECT_EQ(client.parseAuthAnswer(answer), AuthAnswer::ok)
                << "a sync error means a foreign request id";
            party.keys.push_back(client.session.serverKey);

            step.arrive_and_wait();
            client.session.currentFolderId = folderId;
            EXPECT_EQ(client.requestSimple(kRequestFileList, answer, nullptr, true), RequestResult::ok);
            const std::vector<std::string> names = testing_support::listedNames(client, answer);
            EXPECT_EQ(client.session.location, party.folderPath);
            EXPECT_NE(std::find(names.begin(), names.end(),
                                std::filesystem::path(party.filePath).filename().string()),
                      names.end());

            step.arrive_and_wait();
            client.session.selectedFileId = fileId;
            const std::string target = (folder / ("client" + std::to_string(index) + ".hex")).string();
            EXPECT_EQ(client.requestToFile(kRequestGetFile2, target, &testing_support::noProgress, false),
                      RawDownloadResult::ok);
            EXPECT_EQ(readFile(target),
                      readFile(std::filesystem::path(standIn->catalogueFolder()) / party.filePath));
            EXPECT_EQ(client.session.currentFolderId, folderId);
            EXPECT_EQ(client.session.serverKey, party.keys.back());
        }
    };
    std::thread second(run, std::ref(parties[1]), 1);
    run(parties[0], 0);
    second.join();

    for (const Party& party : parties) {
        SCOPED_TRACE(party.device.pid);
        EXPECT_EQ(party.client.device.serial, party.device.serial);
        EXPECT_EQ(party.client.session.cryptEnabled, party.sealed);
        EXPECT_TRUE(party.client.session.authenticated);
        EXPECT_TRUE(party.lines.empty()) << party.lines.front();
        ASSERT_EQ(party.keys.size(), static_cast<std::size_t>(kRounds));
    }
    for (int round = 0; round < kRounds; ++round)
        EXPECT_NE(parties[0].keys[round], parties[1].keys[round]) << "each login got its own key";
    EXPECT_TRUE(loggedLines.empty() && debugLines.empty()) << "the fixture's client saw nothing";
}

}  // namespace
