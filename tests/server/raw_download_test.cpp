#include "server/raw_download.h"

#include <gtest/gtest.h>

#include <chrono>

#include "sim/server/sample_catalogue.h"
#include "stand_in_fixture.h"

namespace {

using namespace server;

class RawDownloadTest : public testing_support::StandInTest {
protected:
    void SetUp() override {
        StandInTest::SetUp();
        setPlain();
        login();
        client.session.selectedFileId = standIn->idOf(sim::kSampleAk02Current);
        expected = readFile(std::filesystem::path(standIn->catalogueFolder()) / sim::kSampleAk02Current);
    }

    RawDownloadResult download(const std::filesystem::path& target) {
        const std::string document = documentHead() + client.buildGetFileCommand() + documentTail();
        const std::vector<std::uint8_t> payload(document.begin(), document.end());
        return rawPostToFile(client.endpoint, client.rawDownload, target.string(), &payload, &sink).code;
    }

    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }

    ProgressSink sink;
    std::string expected;
};

TEST_F(RawDownloadTest, RequestPiecesAreByteExact) {
    EXPECT_EQ(rawBodyHead(),
              "------------------022014161244160\r\nContent-Disposition: form-data; name=\"data\"; "
              "filename=\"file\"\r\nContent-Type: multipart/form-data; boundary=----------------"
              "022014161244160\r\nContent-Transfer-Encoding: binary\r\n\r\n");
    EXPECT_EQ(rawBodyHead().size(), 211u);
    EXPECT_EQ(rawBodyTail(), "\r\n------------------022014161244160--\r\n");
    EXPECT_EQ(rawBodyTail().size(), 39u);
    EXPECT_EQ(rawRequestHead("/support/api_support.php", 200, "support.example"),
              "POST //support/api_support.php HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: "
              "multipart/form-data; boundary=----------------022014161244160\r\nContent-Length: 450\r\n"
              "Host: support.example\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
              "User-Agent: Mozilla/3.0 (compatible; qOS 1.0)\r\n\r\n");
}

TEST_F(RawDownloadTest, WhatReachesTheServer) {
    client.endpoint.hostHeader = "support.example";
    const std::vector<std::uint8_t> payload(200, 'p');
    EXPECT_EQ(
        rawPostToFile(client.endpoint, client.rawDownload, (folder / "x").string(), &payload, &sink).code,
        RawDownloadResult::protocol);
    const sim::HttpRequest request = standIn->lastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "//support/api_support.php?nocrypt=1");
    EXPECT_EQ(request.version, "HTTP/1.0");
    EXPECT_EQ(request.header("Content-Length"), "450");
    EXPECT_EQ(request.header("Host"), "support.example");
    EXPECT_EQ(request.body, rawBodyHead() + std::string(200, 'p') + rawBodyTail());
}

TEST_F(RawDownloadTest, StoresTheFileAndReportsProgress) {
    std::int64_t total = -1, last = 0;
    int ends = 0;
    sink = {[&](std::int64_t value) { total = value; }, [&](std::int64_t value) { last = value; },
            [&] { ++ends; }};
    const std::filesystem::path target = folder / "fw.hex";
    ASSERT_EQ(download(target), RawDownloadResult::ok);
    EXPECT_EQ(readFile(target), expected);
    EXPECT_EQ(total, static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(last, static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(filesInFolder(), 1u) << "no temporary file left behind";
}

TEST_F(RawDownloadTest, SealedRequestThroughTheDriver) {
    client.setDefaults();
    client.endpoint.host = "127.0.0.1";
    client.endpoint.hostHeader = "127.0.0.1";
    client.endpoint.port = standIn->port();
    const std::vector<std::string> parameters = {(folder / "sealed.hex").string()};
    EXPECT_EQ(client.runRequest(kRequestGetFile2, nullptr, &parameters, &sink, false), RawDownloadResult::ok);
    EXPECT_EQ(readFile(folder / "sealed.hex"), expected);
    EXPECT_EQ(client.runRequest(kRequestGetFile2, nullptr, &parameters, nullptr, false),
              RawDownloadResult::noPayload);
}

TEST_F(RawDownloadTest, RepliesThatAreRefused) {
    struct Case {
        const char* name;
        sim::ServerFaults faults;
        RawDownloadResult result;
    };
    auto reply = [](const char* body) {
        sim::ServerFaults faults;
        faults.replyBody = body;
        return faults;
    };
    sim::ServerFaults http10, longHead, shortBody, keepOpen, refuse;
    http10.http10Reply = true;
    longHead.longHeadBytes = 2100;
    shortBody.shortBodyBytes = 10;
    keepOpen.keepOpen = true;
    refuse.refuseConnections = true;
    const Case cases[] = {
        {"status 0", reply("0||\r\n"), RawDownloadResult::refused},
        {"status 0 and text", reply("0\r\nFile not found||\r\n"), RawDownloadResult::refused},
        {"status 2", reply("2\r\n5||\r\nhello"), RawDownloadResult::protocol},
        {"size not a number", reply("1\r\nfive||\r\nhello"), RawDownloadResult::protocol},
        {"size with junk", reply("1\r\n5x||\r\nhello"), RawDownloadResult::protocol},
        {"no CR LF", reply("1||\r\nhello"), RawDownloadResult::protocol},
        {"empty block", reply("||\r\nhello"), RawDownloadResult::protocol},
        {"no terminator", reply("1\r\n5\r\nhello"), RawDownloadResult::protocol},
        {"declared size 0", reply("1\r\n0||\r\n"), RawDownloadResult::sizeMismatch},
        {"more than declared", reply("1\r\n3||\r\nhello"), RawDownloadResult::sizeMismatch},
        {"HTTP/1.0 reply", http10, RawDownloadResult::protocol},
        {"long reply head", longHead, RawDownloadResult::protocol},
        {"short body", shortBody, RawDownloadResult::sizeMismatch},
        {"connection kept open", keepOpen, RawDownloadResult::readFailed},
        {"connection refused", refuse, RawDownloadResult::connectFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standIn->setFaults(c.faults);
        EXPECT_EQ(download(folder / "out.bin"), c.result);
        EXPECT_EQ(filesInFolder(), 0u) << "a failed download leaves no file";
    }
}

TEST_F(RawDownloadTest, KeptOpenConnectionWaitsForTheBodyTimeOut) {
    sim::ServerFaults faults;
    faults.keepOpen = true;
    standIn->setFaults(faults);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(download(folder / "out.bin"), RawDownloadResult::readFailed);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(client.rawDownload.bodyTimeoutMs));
    EXPECT_LT(waited, std::chrono::milliseconds(2500));
}

TEST_F(RawDownloadTest, HeadLimitIsTwoThousandFortyEightCharacters) {
    // The head up to its empty line: the stand-in's own lines, then the padding header without its CR LF.
    const std::string fixedHead =
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
        std::to_string(expected.size() + sim::fileStatusBlock(expected.size()).size()) +
        "\r\nConnection: close\r\nX-Padding: \r\n";
    for (const auto& [padding, result] :
         {std::pair{2048 + 2 - fixedHead.size(), RawDownloadResult::ok},
          std::pair{2049 + 2 - fixedHead.size(), RawDownloadResult::protocol}}) {
        sim::ServerFaults faults;
        faults.longHeadBytes = padding;
        standIn->setFaults(faults);
        EXPECT_EQ(download(folder / "out.bin"), result) << padding;
    }
}

TEST_F(RawDownloadTest, FailuresLeaveAnExistingTargetUntouched) {
    const std::filesystem::path target = folder / "precious.bin";
    std::ofstream(target, std::ios::binary) << "the user's own file";
    sim::ServerFaults faults;
    faults.shortBodyBytes = 1;
    standIn->setFaults(faults);
    EXPECT_EQ(download(target), RawDownloadResult::sizeMismatch);
    EXPECT_EQ(readFile(target), "the user's own file");
    EXPECT_EQ(filesInFolder(), 1u);

    standIn->setFaults({});
    EXPECT_EQ(download(target), RawDownloadResult::ok);
    EXPECT_EQ(readFile(target), expected);
}

TEST_F(RawDownloadTest, LocalAndConnectionFailures) {
    EXPECT_EQ(download(folder / "missing-folder" / "out.bin"), RawDownloadResult::cannotCreate);
    const std::vector<std::uint8_t> payload(10, 'x');
    Endpoint at = client.endpoint;
    at.requestPath = "/p";
    EXPECT_EQ(rawPostToFile(at, client.rawDownload, (folder / "a").string(), nullptr, &sink).code,
              RawDownloadResult::noPayload);
    EXPECT_EQ(rawPostToFile(at, client.rawDownload, (folder / "a").string(), &payload, nullptr).code,
              RawDownloadResult::noPayload);
    sim::SupportServer closed;
    ASSERT_TRUE(closed.start(0));
    const int deadPort = closed.port();
    closed.stop();
    at.port = deadPort;
    const RawDownloadOutcome refused =
        rawPostToFile(at, client.rawDownload, (folder / "a").string(), &payload, &sink);
    EXPECT_EQ(refused.code, RawDownloadResult::connectFailed);
    EXPECT_EQ(refused.cause,
              "cannot connect to 127.0.0.1:" + std::to_string(deadPort) + ": connection refused");
    EXPECT_EQ(filesInFolder(), 0u);
}

}  // namespace
