#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "sim/server/sample_catalogue.h"
#include "stand_in_fixture.h"

namespace {

using namespace server;

class TransportTest : public testing_support::StandInTest {};

TEST_F(TransportTest, UrlCarriesHostPortAndTheDoubleSlash) {
    client.endpoint.host = "support.example";
    client.endpoint.port = 80;
    client.endpoint.requestPath = "/support/api_support.php?nocrypt=1";
    EXPECT_EQ(client.serverUrl(), "http://support.example:80//support/api_support.php?nocrypt=1");
}

TEST_F(TransportTest, LoginSealedAndPlain) {
    const std::pair<bool, const char*> cases[] = {
        {true, "/support/api_support.php"},
        {true, "/support/api_support.php?debugmode=1"},
        {false, "/support/api_support.php?nocrypt=1"},
        {false, "/support/api_support.php?nocrypt=1&debugmode=1"},
    };
    for (const auto& [sealed, path] : cases) {
        SCOPED_TRACE(path);
        client.session.cryptEnabled = sealed;
        client.endpoint.requestPath = path;
        std::string answer;
        ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
        EXPECT_EQ(client.parseAuthAnswer(answer), AuthAnswer::ok);
        EXPECT_NE(client.session.serverKey, "0");
        // The stand-in read exactly the document that was built.
        EXPECT_EQ(standIn->lastDocument(), documentHead() + "<cmd type=\"AUTH\" id=\"" +
                                               client.session.requestId +
                                               "\" pid=\"AK02\" serial=\"00012345\" reseller=\"Arvex\" "
                                               "date=\"14-09-2010\"></cmd>" +
                                               documentTail());
    }
    EXPECT_TRUE(loggedLines.empty());
}

TEST_F(TransportTest, BodyIsOneDataPartTypedLikeTheBody) {
    client.device = {"AK01", "1234567", "14-09-2010", "Arvex", ""};  // a 151-byte AUTH document
    std::string answer;
    ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
    const sim::HttpRequest request = standIn->lastRequest();
    EXPECT_EQ(request.target, "//support/api_support.php");
    const std::string contentType = request.header("Content-Type");
    ASSERT_EQ(contentType.rfind("multipart/form-data; boundary=", 0), 0u);
    const std::string boundary = contentType.substr(contentType.find('=') + 1);
    EXPECT_EQ(request.header("Expect"), "");
    const std::string partHead = "--" + boundary +
                                 "\r\nContent-Disposition: form-data; name=\"data\"; filename=\"file\"\r\n"
                                 "Content-Type: " +
                                 contentType + "\r\n";
    EXPECT_EQ(request.body.rfind(partHead, 0), 0u);
    const std::string tail = "\r\n--" + boundary + "--\r\n";
    ASSERT_GT(request.body.size(), tail.size());
    EXPECT_EQ(request.body.substr(request.body.size() - tail.size()), tail);
    EXPECT_EQ(request.body.find("--" + boundary, 1), request.body.size() - tail.size() + 2)
        << "a single part";
    // The 151-byte document travels in a 206-byte envelope.
    const std::size_t contentStart = request.body.find("\r\n\r\n") + 4;
    EXPECT_EQ(request.body.size() - tail.size() - contentStart, 206u);
}

TEST_F(TransportTest, ServerErrorTextsAndShortAnswersAreRefused) {
    for (const char* reply : {"EC12::Server busy", "EC1::x", "ABCDE", ""}) {
        SCOPED_TRACE(reply);
        sim::ServerFaults faults;
        faults.replyBody = reply;
        standIn->setFaults(faults);
        loggedLines.clear();
        std::string answer = "stale";
        EXPECT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::badAnswer);
        EXPECT_EQ(answer, "");
        EXPECT_EQ(loggedLines, std::vector<std::string>{"Error (data-resp)"});
    }
}

TEST_F(TransportTest, DamagedEnvelopeGivesAnEmptyAnswer) {
    sim::ServerFaults faults;
    faults.corruptEnvelope = true;
    standIn->setFaults(faults);
    std::string answer;
    EXPECT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(loggedLines, std::vector<std::string>{"Error (proc-data 2): 16"});
}

TEST_F(TransportTest, WrongRequestIdIsCaughtByTheReader) {
    sim::ServerFaults faults;
    faults.wrongRequestId = true;
    standIn->setFaults(faults);
    std::string answer;
    ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
    EXPECT_EQ(client.parseAuthAnswer(answer), AuthAnswer::syncError);
}

TEST_F(TransportTest, UnknownKindsSendNothing) {
    for (int kind : {0, 8, -1}) {
        client.session.requestId = "1234";
        std::string answer;
        EXPECT_EQ(client.requestSimple(kind, answer, nullptr, true), RequestResult::unknownKind);
        EXPECT_EQ(client.session.requestId, "1234") << "no request id drawn";
    }
    EXPECT_EQ(standIn->requestCount(), 0u);
}

TEST_F(TransportTest, FailedPostsBySealingMode) {
    struct Case {
        const char* name;
        bool sealed;
        RequestResult result;
        std::vector<std::string> lines;
    };
    // Plain requests once swallowed a failed POST and came back "OK" with an empty answer.
    const Case cases[] = {
        {"sealed", true, RequestResult::postFailed, {"Error (data-post)"}},
        {"plain", false, RequestResult::postFailed, {"Error (data-post)"}},
    };
    sim::SupportServer closed;  // its port is free again once it stops
    ASSERT_TRUE(closed.start(0));
    const int deadPort = closed.port();
    closed.stop();
    for (const Case& c : cases) {
        for (const std::string how : {"unreachable", "refused", "not found"}) {
            SCOPED_TRACE(std::string(c.name) + " " + how);
            client.setDefaults();
            client.endpoint.host = "127.0.0.1";
            client.endpoint.port = how == "unreachable" ? deadPort : standIn->port();
            if (!c.sealed) setPlain();
            if (how == "not found") client.endpoint.requestPath = "/elsewhere.php";
            sim::ServerFaults faults;
            faults.refuseConnections = how == "refused";
            standIn->setFaults(faults);
            loggedLines.clear();
            std::string answer = "stale";
            EXPECT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), c.result);
            EXPECT_EQ(answer, "");
            EXPECT_EQ(loggedLines, c.lines);
        }
    }
}

TEST_F(TransportTest, CatalogueRequestsNeedAnIssuedKey) {
    client.session.serverKey = "NOT-ISSUED";
    std::string answer;
    EXPECT_EQ(client.requestSimple(kRequestFileList, answer, nullptr, true), RequestResult::badAnswer);
    login();
    ASSERT_EQ(client.requestSimple(kRequestFileList, answer, nullptr, true), RequestResult::ok);
    const std::vector<std::string> names = testing_support::listedNames(client, answer);
    EXPECT_EQ(names, (std::vector<std::string>{"AK02", "AK03", "release_notes.txt"}));
}

TEST_F(TransportTest, SearchSendsThePatternFromTheFirstLine) {
    login();
    const std::vector<std::string> parameters = {"fw_1.", "ignored"};
    std::string answer;
    ASSERT_EQ(client.requestText(kRequestSearch, answer, &parameters, nullptr, true), RequestResult::ok);
    const std::vector<std::string> names = testing_support::listedNames(client, answer);
    EXPECT_EQ(names, (std::vector<std::string>{"ak02_fw_1.3.hex", "ak02_fw_1.2.hex"}));
    EXPECT_NE(standIn->lastDocument().find("pattern=\"fw_1.\""), std::string::npos);
}

// The script's debug output around its answers must not cost the login or the catalogue.
TEST_F(TransportTest, DebugModeAnswersAreRead) {
    const std::pair<bool, const char*> cases[] = {
        {true, "/support/api_support.php?debugmode=1"},
        {false, "/support/api_support.php?nocrypt=1&debugmode=1"},
    };
    for (const auto& [sealed, path] : cases) {
        SCOPED_TRACE(path);
        client.session = SessionValues{};
        client.session.cryptEnabled = sealed;
        client.endpoint.requestPath = path;
        std::string answer;
        ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
        EXPECT_NE(answer.find("<b>Notice</b>"), std::string::npos) << "the stand-in printed its notice";
        EXPECT_EQ(client.parseAuthAnswer(answer), AuthAnswer::ok);

        ASSERT_EQ(client.requestSimple(kRequestFileList, answer, nullptr, true), RequestResult::ok);
        const std::vector<std::string> names = testing_support::listedNames(client, answer);
        EXPECT_EQ(names, (std::vector<std::string>{"AK02", "AK03", "release_notes.txt"}));

        client.session.selectedFileId = standIn->idOf(sim::kSampleAk03Dual);
        ASSERT_EQ(client.requestSimple(kRequestGetFile, answer, nullptr, false), RequestResult::ok);
        const std::string file =
            readFile(std::filesystem::path(standIn->catalogueFolder()) / sim::kSampleAk03Dual);
        EXPECT_EQ(answer, sim::fileStatusBlock(file.size()) + file);
    }
    EXPECT_TRUE(loggedLines.empty()) << loggedLines.front();
}

// Every mode, every answer that is not a 2xx: an error page never passes for an answer or a file.
TEST_F(TransportTest, NonSuccessAnswersFailEveryRequest) {
    struct Mode {
        const char* name;
        bool sealed;
        int kind;
        bool decrypt;
    };
    const Mode modes[] = {
        {"sealed login", true, kRequestAuth, true},
        {"plain login", false, kRequestAuth, true},
        {"sealed download into memory", true, kRequestGetFile, false},
        {"plain download into memory", false, kRequestGetFile, false},
    };
    struct Answer {
        const char* name;
        int status;
        const char* redirect;
        const char* cause;
    };
    const Answer answers[] = {
        {"500", 500, "", "answered with HTTP status 500"},
        {"404", 404, "", "answered with HTTP status 404"},
        {"redirect", 200, "/support/api_support.php", "answered with HTTP status 302"},
    };
    for (const Mode& mode : modes) {
        for (const Answer& reply : answers) {
            SCOPED_TRACE(std::string(mode.name) + ", " + reply.name);
            standIn->setFaults({});
            client.setDefaults();
            client.endpoint.host = "127.0.0.1";
            client.endpoint.port = standIn->port();
            if (!mode.sealed) setPlain();
            login();
            client.session.selectedFileId = standIn->idOf(sim::kSampleAk03Dual);
            sim::ServerFaults faults;
            faults.httpStatus = reply.status;
            faults.redirectTo = reply.redirect;
            standIn->setFaults(faults);
            loggedLines.clear();
            debugLines.clear();
            const std::size_t before = standIn->requestCount();
            std::string answer = "stale";
            EXPECT_EQ(client.requestSimple(mode.kind, answer, nullptr, mode.decrypt),
                      RequestResult::postFailed);
            EXPECT_EQ(answer, "");
            EXPECT_EQ(loggedLines, std::vector<std::string>{"Error (data-post)"});
            ASSERT_EQ(debugLines.size(), 1u);
            EXPECT_NE(debugLines[0].find(reply.cause), std::string::npos) << debugLines[0];
            EXPECT_EQ(standIn->requestCount(), before + 1) << "a redirect is not followed";
        }
    }
}

TEST_F(TransportTest, AnswersAreCappedAtSixtyFourMebibytes) {
    setPlain();
    EXPECT_EQ(client.transport.maxAnswerBytes, std::size_t{64} << 20);
    sim::ServerFaults faults;
    faults.replyBody = std::string((std::size_t{64} << 20) + 1, 'x');
    standIn->setFaults(faults);
    std::string answer;
    EXPECT_EQ(client.requestSimple(kRequestGetFile, answer, nullptr, false), RequestResult::postFailed);
    EXPECT_EQ(answer, "");
    ASSERT_EQ(debugLines.size(), 1u);
    EXPECT_NE(debugLines[0].find("larger than 67108864 bytes"), std::string::npos) << debugLines[0];

    // The limit itself is still an answer.
    client.transport.maxAnswerBytes = 1000;
    for (const auto& [size, result] :
         {std::pair{1000u, RequestResult::ok}, std::pair{1001u, RequestResult::postFailed}}) {
        faults.replyBody = std::string(size, 'y');
        standIn->setFaults(faults);
        EXPECT_EQ(client.requestSimple(kRequestGetFile, answer, nullptr, false), result) << size;
    }
}

TEST_F(TransportTest, FailuresInsideTheDriverAreNeverOk) {
    setPlain();
    for (const bool inCallback : {false, true}) {
        SCOPED_TRACE(inCallback ? "handler inside the transfer" : "handler before the transfer");
        ProgressSink throwing;
        if (inCallback)
            throwing.onWork = [](std::int64_t) { throw std::runtime_error("progress handler failed"); };
        else
            throwing.onWorkBegin = [](std::int64_t) { throw std::runtime_error("progress handler failed"); };
        loggedLines.clear();
        std::string answer = "stale";
        EXPECT_EQ(client.requestSimple(kRequestAuth, answer, &throwing, true), RequestResult::postFailed);
        EXPECT_EQ(answer, "");
        EXPECT_EQ(loggedLines, std::vector<std::string>{"Error (data-post)"});
    }
}

TEST_F(TransportTest, LibraryPathSendsTheUserAgentOfTheRawPath) {
    std::string answer;
    ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
    EXPECT_EQ(standIn->lastRequest().header("User-Agent"), "Mozilla/3.0 (compatible; qOS 1.0)");
    EXPECT_NE(rawRequestHead("/p", 0, "h").find("\r\nUser-Agent: Mozilla/3.0 (compatible; qOS 1.0)\r\n"),
              std::string::npos);
}

// A slow server that keeps sending is waited for, however long the whole answer takes.
TEST_F(TransportTest, SlowButSteadyAnswersAreWaitedFor) {
    client.transport.stallTimeoutMs = 1000;
    sim::ServerFaults faults;
    faults.trickleMs = 250;
    faults.trickleBytes = 24;  // a sealed login answer of about 130 bytes: five pauses or more
    standIn->setFaults(faults);
    const auto start = std::chrono::steady_clock::now();
    std::string answer;
    ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
    EXPECT_EQ(client.parseAuthAnswer(answer), AuthAnswer::ok);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1250))
        << "longer than the stall detector's time";
}

TEST_F(TransportTest, GetFileIntoMemoryIsTakenAsItComes) {
    login();
    client.session.selectedFileId = standIn->idOf(sim::kSampleAk03Dual);
    int begins = 0, ends = 0;
    std::int64_t lastCount = 0;
    ProgressSink sink{[&](std::int64_t) { ++begins; }, [&](std::int64_t count) { lastCount = count; },
                      [&] { ++ends; }};
    std::string answer;
    ASSERT_EQ(client.requestSimple(kRequestGetFile, answer, &sink, false), RequestResult::ok);
    const std::string file =
        readFile(std::filesystem::path(standIn->catalogueFolder()) / sim::kSampleAk03Dual);
    EXPECT_EQ(answer, sim::fileStatusBlock(file.size()) + file);
    EXPECT_EQ(answer[0], '1');
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_GE(lastCount, static_cast<std::int64_t>(answer.size()));
}

TEST_F(TransportTest, RequestToFileUsesTheFirstLineOnly) {
    login();
    client.session.selectedFileId = standIn->idOf(sim::kSampleReleaseNotes);
    const std::filesystem::path target = folder / "notes.txt";
    const std::string parameters = target.string() + "\r\n" + (folder / "second.txt").string() + "\nthird";
    ProgressSink sink;
    EXPECT_EQ(client.requestToFile(kRequestGetFile2, parameters, &sink, false), RawDownloadResult::ok);
    EXPECT_EQ(readFile(target),
              readFile(std::filesystem::path(standIn->catalogueFolder()) / sim::kSampleReleaseNotes));
    EXPECT_FALSE(std::filesystem::exists(folder / "second.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST_F(TransportTest, RegistrationOutcomes) {
    login();  // AUTH_OK; REGISTER needs the key it brings
    struct Case {
        UserInfo user;
        const char* serial;
        AuthAnswer result;
    };
    const Case cases[] = {
        {{"Ana", "ana@example.com", "pw", "ES"}, "00077777", AuthAnswer::registerOk},
        {{"Ana", "ANA@example.com", "pw", "ES"}, "00077778", AuthAnswer::registerAlready},
        {{"", "bob@example.com", "pw", "ES"}, "00077779", AuthAnswer::registerError},
    };
    for (const Case& c : cases) {
        client.user = c.user;
        client.device.serial = c.serial;
        std::string answer;
        ASSERT_EQ(client.requestSimple(kRequestRegister, answer, nullptr, true), RequestResult::ok);
        EXPECT_EQ(client.parseAuthAnswer(answer), c.result) << c.serial;
    }
    EXPECT_TRUE(standIn->isRegistered("00077777"));
    EXPECT_FALSE(standIn->isRegistered("00077779"));
}

}  // namespace

TEST_F(TransportTest, SlowServersRunIntoTheTimeOuts) {
    sim::ServerFaults faults;
    faults.delayMs = 2500;
    standIn->setFaults(faults);
    client.transport.stallTimeoutMs = 300;  // a server that sends nothing for this long has stalled
    std::string answer;
    EXPECT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::postFailed);
    EXPECT_EQ(loggedLines, std::vector<std::string>{"Error (data-post)"});

    client.rawDownload.headTimeoutMs = 150;
    client.session.selectedFileId = "3";
    const std::vector<std::string> parameters = {(folder / "slow.bin").string()};
    EXPECT_EQ(client.runRequest(kRequestGetFile2, nullptr, &parameters, &testing_support::noProgress, false),
              RawDownloadResult::protocol);
}
