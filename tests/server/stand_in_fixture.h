// A stand-in support server on 127.0.0.1 and a client pointed at it, with short time-outs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "server/documents.h"
#include "server/envelope.h"
#include "server/raw_download.h"
#include "server/server_client.h"
#include "server/transport.h"
#include "sim/server/support_server.h"
#include "support/server_results.h"
#include "support/temp_dir.h"

namespace testing_support {

inline const server::ProgressSink noProgress;

// The names of a catalogue answer's entries, in order; the parse must end with FileListResult::done.
inline std::vector<std::string> listedNames(server::ServerClient& client, const std::string& answer) {
    std::vector<std::string> names;
    const server::FileListResult result =
        client.parseFileList(answer, [&](std::unique_ptr<server::FileInfo> entry, int, void*) {
            names.push_back(entry->name);
            return 1;
        });
    EXPECT_EQ(result, server::FileListResult::done);
    return names;
}

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::SupportServerOptions options;
        options.keepOpenMs = 3000;
        standIn = std::make_unique<sim::SupportServer>(options);
        ASSERT_TRUE(standIn->start(0));
        pointAtStandIn(client);
    }

    // Points a client at the stand-in, with the test box's identity and short time-outs.
    void pointAtStandIn(server::ServerClient& target) const {
        target.endpoint.host = "127.0.0.1";
        target.endpoint.hostHeader = "127.0.0.1";
        target.endpoint.port = standIn->port();
        target.device = {"AK02", "00012345", "14-09-2010", "Arvex", "1"};
        target.rawDownload.bodyTimeoutMs = 400;
        target.rawDownload.headTimeoutMs = 2000;
        target.rawDownload.connectTimeoutMs = 2000;
        target.transport.connectTimeoutMs = 2000;
    }

    void setPlain() {
        client.session.cryptEnabled = false;
        client.endpoint.requestPath = std::string(server::kDefaultRequestPath) + "?nocrypt=1";
    }

    // Logs in (AUTH) so that later requests carry a key the stand-in issued.
    void login() {
        std::string answer;
        ASSERT_EQ(client.requestSimple(server::kRequestAuth, answer, nullptr, true),
                  server::RequestResult::ok);
        ASSERT_EQ(client.parseAuthAnswer(answer), server::AuthAnswer::ok);
    }

    static std::string readFile(const std::filesystem::path& path) { return testsupport::readBytes(path); }

    std::vector<std::string> loggedLines;  // what the window shows outside debug mode
    std::vector<std::string> debugLines;   // the causes shown only in debug mode
    server::ServerClient client{
        [this](std::int32_t level, const std::string& text, std::int32_t, std::uint32_t) {
            (level <= 3 ? loggedLines : debugLines).push_back(text);
        }};
    std::unique_ptr<sim::SupportServer> standIn;
    testsupport::TempDir tmp;
    std::filesystem::path folder{tmp.path()};
};

}  // namespace testing_support
