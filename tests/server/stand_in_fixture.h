// A stand-in support server on 127.0.0.1 and a client pointed at it, with short time-outs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "server/documents.h"
#include "server/envelope.h"
#include "server/log_hook.h"
#include "server/raw_download.h"
#include "server/transport.h"
#include "sim/server/support_server.h"
#include "support/temp_dir.h"

namespace testing_support {

inline std::vector<std::string> loggedLines;  // what the window shows outside debug mode
inline std::vector<std::string> debugLines;   // the causes shown only in debug mode
inline const ArvexClient::ProgressSink noProgress;

inline void recordLine(std::int32_t level, const std::string& text, std::int32_t, std::uint32_t) {
    (level <= 3 ? loggedLines : debugLines).push_back(text);
}

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        simserver::SupportServerOptions options;
        options.keepOpenMs = 3000;
        standIn = std::make_unique<simserver::SupportServer>(options);
        ASSERT_TRUE(standIn->start(0));
        ArvexClient::resetSession();
        ArvexClient::resetEnvelopeState();
        ArvexClient::setServerDefaults();
        ArvexClient::server.host = "127.0.0.1";
        ArvexClient::server.hostHeader = "127.0.0.1";
        ArvexClient::server.port = standIn->port();
        ArvexClient::deviceInfo = {"AK02", "00012345", "14-09-2010", "Arvex", "1"};
        ArvexClient::rawDownloadSettings = {};
        ArvexClient::rawDownloadSettings.bodyTimeoutMs = 400;
        ArvexClient::rawDownloadSettings.headTimeoutMs = 2000;
        ArvexClient::rawDownloadSettings.connectTimeoutMs = 2000;
        ArvexClient::transportSettings = {};
        ArvexClient::transportSettings.connectTimeoutMs = 2000;
        loggedLines.clear();
        debugLines.clear();
        ArvexClient::logHook = recordLine;
    }
    void TearDown() override {
        ArvexClient::logHook = nullptr;
        standIn.reset();
    }

    void setPlain() {
        ArvexClient::session.cryptEnabled = false;
        ArvexClient::server.requestPath = std::string(ArvexClient::kDefaultRequestPath) + "?nocrypt=1";
    }

    // Logs in (AUTH) so that later requests carry a key the stand-in issued.
    void login() {
        std::string answer;
        ASSERT_EQ(ArvexClient::requestSimple(ArvexClient::kRequestAuth, answer, nullptr, true), 0);
        ASSERT_EQ(ArvexClient::parseAuthAnswer(answer), ArvexClient::kAuthOk);
    }

    static std::string readFile(const std::filesystem::path& path) { return testsupport::readBytes(path); }

    std::unique_ptr<simserver::SupportServer> standIn;
    testsupport::TempDir tmp;
    std::filesystem::path folder{tmp.path()};
};

}  // namespace testing_support
