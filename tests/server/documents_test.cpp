#include "server/documents.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "server/server_client.h"
#include "support/server_results.h"

namespace {

using namespace server;

std::vector<std::string> loggedLines;

void recordLine(std::int32_t, const std::string& text, std::int32_t, std::uint32_t) {
    loggedLines.push_back(text);
}

class DocumentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        client.device = {"AK01", "1234567", "14-09-2010", "Arvex", "3"};
        client.user = {"Ana", "ana@example.com", "secret", "ES"};
        loggedLines.clear();
    }

    ServerClient client{recordLine};

    // The command text with the drawn id replaced by a known one, so whole documents can be compared.
    std::string withId(std::string command, const std::string& id) {
        const std::string drawn = "id=\"" + client.session.requestId + "\"";
        command.replace(command.find(drawn), drawn.size(), "id=\"" + id + "\"");
        return command;
    }
};

TEST_F(DocumentsTest, AuthDocumentMatchesTheExampleByteForByte) {
    const std::string document = documentHead() + withId(client.buildAuthCommand(), "4821") + documentTail();
    EXPECT_EQ(document,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><zekCom><cmd type=\"AUTH\" id=\"4821\" pid=\"AK01\" "
              "serial=\"1234567\" reseller=\"Arvex\" date=\"14-09-2010\"></cmd></zekCom>");
    EXPECT_EQ(document.size(), 151u);
}

TEST_F(DocumentsTest, BuildersWriteTheirAttributesInOrder) {
    client.session.serverKey = "K9";
    client.session.selectedFileId = "17";
    client.session.currentFolderId = "3";
    const std::string device = " pid=\"AK01\" serial=\"1234567\" reseller=\"Arvex\" date=\"14-09-2010\"";
    EXPECT_EQ(withId(client.buildGetFileCommand(), "1"),
              "<cmd type=\"GETFILE\" id=\"1\" serverkey=\"K9\" fileid=\"17\"" + device + "></cmd>");
    EXPECT_EQ(withId(client.buildFileListCommand(), "1"),
              "<cmd type=\"FILELIST\" id=\"1\" serverkey=\"K9\" folderid=\"3\"" + device + "></cmd>");
    EXPECT_EQ(
        withId(client.buildSearchCommand("ak0"), "1"),
        "<cmd type=\"SEARCH\" id=\"1\" serverkey=\"K9\" folderid=\"3\" pattern=\"ak0\"" + device + "></cmd>");
    EXPECT_EQ(withId(client.buildRegisterCommand(), "1"),
              "<cmd type=\"REGISTER\" id=\"1\" serverkey=\"K9\" rname=\"Ana\" rmail=\"ana@example.com\" "
              "rpw=\"secret\" rcountry=\"ES\" rpid=\"AK01\" rserial=\"1234567\" rres=\"Arvex\" "
              "rdate=\"14-09-2010\" ></cmd>");
}

TEST_F(DocumentsTest, OnlyAmpersandLessThanAndQuoteAreEscaped) {
    const std::pair<const char*, const char*> cases[] = {
        {"O'Neil > Co & \"Sons\"", "O'Neil > Co &amp; &quot;Sons&quot;"},
        {"Smith <Cars> 'Ltd'", "Smith &lt;Cars> 'Ltd'"},
        {"plain text 123", "plain text 123"},
        {"&amp;", "&amp;amp;"},
    };
    for (const auto& [value, escaped] : cases) EXPECT_EQ(escapeAttribute(value), escaped) << value;
    client.device.reseller = "O'Neil > Co & \"Sons\"";
    EXPECT_EQ(withId(client.buildAuthCommand(), "4821"),
              "<cmd type=\"AUTH\" id=\"4821\" pid=\"AK01\" serial=\"1234567\" "
              "reseller=\"O'Neil > Co &amp; &quot;Sons&quot;\" date=\"14-09-2010\"></cmd>");
}

TEST_F(DocumentsTest, EveryBuilderDrawsAFreshIdInRange) {
    std::map<int, int> counts;
    for (int i = 0; i < 4000; ++i) {
        client.buildAuthCommand();
        const int id = std::stoi(client.session.requestId);
        ASSERT_GE(id, 1000);
        ASSERT_LE(id, 9999);
        ASSERT_EQ(client.session.requestId.size(), 4u);
        ++counts[id / 1000];
    }
    // 2000..2999 take the ids below 1000 as well: about twice as often as any other thousand.
    EXPECT_GT(counts[2], counts[5] * 3 / 2);
}

struct AuthCase {
    const char* answer;
    AuthAnswer result;
    const char* key;
    const char* logLine;  // nullptr: nothing logged
};

TEST_F(DocumentsTest, AuthAnswers) {
    const AuthCase cases[] = {
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">AUTH_OK</resp></zekCom>", AuthAnswer::ok, "K", nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\"> AUTH_OK </resp></zekCom>", AuthAnswer::ok, "K", nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">auth_ok</resp></zekCom>", AuthAnswer::unknown, "K",
         nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">AUTH_KO</resp></zekCom>", AuthAnswer::ko, "K", nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">BLACKLIST</resp></zekCom>", AuthAnswer::blacklist, "K",
         nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">REGISTER_OK</resp></zekCom>", AuthAnswer::registerOk, "K",
         nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">REG_ERROR: taken</resp></zekCom>",
         AuthAnswer::registerError, "K", nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">XREG_ERROR</resp></zekCom>", AuthAnswer::unknown, "K",
         nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">REGISTER_ALREADY</resp></zekCom>",
         AuthAnswer::registerAlready, "K", nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\"><b/>AUTH_OK</resp></zekCom>", AuthAnswer::unknown, "K",
         nullptr},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\"></resp></zekCom>", AuthAnswer::unknown, "K", nullptr},
        {"", AuthAnswer::unknown, "0", "Error loading data"},
        {"<zekCom><resp id=\"4821\"", AuthAnswer::unknown, "0", "Error loading data"},
        {"<other/>", AuthAnswer::unknown, "0", "Error loading data"},
        {"<zekCom><rsp/></zekCom>", AuthAnswer::unknown, "0", "Data error: Root node fault"},
        {"<zekCom><resp serverkey=\"K\">AUTH_OK</resp></zekCom>", AuthAnswer::syncError, "0",
         "Error: data sync-i null"},
        {"<zekCom><resp id=\"4820\" serverkey=\"K\">AUTH_OK</resp></zekCom>", AuthAnswer::syncError, "0",
         "Error: data-i sync"},
        {"<zekCom><resp id=\"4821\">AUTH_OK</resp></zekCom>", AuthAnswer::syncError, "0",
         "Error: data sync-s null"},
    };
    for (const AuthCase& c : cases) {
        SCOPED_TRACE(c.answer);
        client.session = SessionValues{};
        client.session.serverKey = "old";
        client.session.requestId = "4821";
        loggedLines.clear();
        EXPECT_EQ(client.parseAuthAnswer(c.answer), c.result);
        EXPECT_EQ(client.session.serverKey, c.key);
        EXPECT_EQ(client.session.authenticated,
                  c.result == AuthAnswer::ok || c.result == AuthAnswer::registerOk);
        EXPECT_EQ(client.session.blacklisted, c.result == AuthAnswer::blacklist);
        if (c.logLine == nullptr)
            EXPECT_TRUE(loggedLines.empty());
        else
            EXPECT_EQ(loggedLines, std::vector<std::string>{c.logLine});
    }
}

// What the server script may print around its answer: the first complete zekCom element counts.
TEST_F(DocumentsTest, AnswersAroundDebugOutputAreRead) {
    const std::string good = "<zekCom><resp id=\"4821\" serverkey=\"K\">AUTH_OK</resp></zekCom>";
    struct Case {
        std::string answer;
        AuthAnswer result;
    };
    const Case cases[] = {
        {good + "\n<!-- 0.012 s -->", AuthAnswer::ok},
        {good + "debug: request done", AuthAnswer::ok},
        {good + "<zekCom><resp id=\"1\" serverkey=\"X\">AUTH_KO</resp></zekCom>", AuthAnswer::ok},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + good, AuthAnswer::ok},
        {"\xEF\xBB\xBF" + good, AuthAnswer::ok},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>" + good + "\n\n", AuthAnswer::ok},
        {"<br />\n<b>Notice</b>: Undefined index in api_support.php on line 12<br />\n" + good,
         AuthAnswer::ok},
        {"Warning: reading <zekCom> failed once\n<?xml version=\"1.0\"?>" + good + "trailing <zekCom",
         AuthAnswer::ok},
        {"<zekCom >\n<resp id=\"4821\" serverkey=\"K\">AUTH_OK</resp>\n</zekCom >junk", AuthAnswer::ok},
        {"<zekCom><resp id=\"4821\" serverkey=\"K\">AUTH_OK<!-- </zekCom> --></resp></zekCom>x",
         AuthAnswer::ok},
        {"<zekCom><zekCom/><resp id=\"4821\" serverkey=\"K\">AUTH_OK</resp></zekCom>x", AuthAnswer::ok},
        {"<zekComX/>" + good + "x", AuthAnswer::ok},
        {"x<zekCom/>" + good, AuthAnswer::unknown},  // the first element is empty: no resp
        {"junk <zekCom><resp id=\"4821\"", AuthAnswer::unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        client.session.requestId = "4821";
        loggedLines.clear();
        EXPECT_EQ(client.parseAuthAnswer(c.answer), c.result);
        EXPECT_EQ(client.session.serverKey, c.result == AuthAnswer::ok ? "K" : "0");
    }
    client.session.requestId = "7000";
    int rows = 0;
    EXPECT_EQ(
        client.parseFileList("<?xml version=\"1.0\"?><zekCom><resp id=\"7000\"><file fileid=\"5\"/></resp>"
                             "</zekCom>\nPHP Notice: done",
                             [&](std::unique_ptr<FileInfo>, int, void*) { return ++rows; }),
        FileListResult::done);
    EXPECT_EQ(rows, 1);
}

TEST_F(DocumentsTest, AnAnswerToAnOlderRequestIsRejected) {
    client.buildAuthCommand();
    const std::string oldId = client.session.requestId;
    for (int i = 0; i < 100 && client.session.requestId == oldId; ++i) client.buildAuthCommand();
    ASSERT_NE(client.session.requestId, oldId);
    EXPECT_EQ(
        client.parseAuthAnswer("<zekCom><resp id=\"" + oldId + "\" serverkey=\"K\">AUTH_OK</resp></zekCom>"),
        AuthAnswer::syncError);
    EXPECT_FALSE(client.session.authenticated);
}

struct Row {
    FileInfo info;
    int mode;
    void* view;
};

TEST_F(DocumentsTest, FileListDeliversEveryEntryWithDefaults) {
    client.session.requestId = "7000";
    client.session.serverKey = "K";
    const std::string answer =
        "<zekCom><resp id=\"7000\" serverkey=\"K2\" cred=\"12\"><loc p=\"AK02/Older\"/>"
        "<file fileid=\"5\" name=\"a.hex\" size=\"300\" type=\"10\" price=\"9.90\" path=\"/AK02\"/>"
        "<file name=\"no id\"/>"
        "<file fileid=\"6\" name=\"Sub\"/>"
        "<file fileid=\"7\" name=\"Smith &amp; Sons\" type=\"L1\"/>"
        "</resp></zekCom>";
    std::vector<Row> rows;
    int marker = 0;
    const FileListResult result = client.parseFileList(
        answer,
        [&](std::unique_ptr<FileInfo> entry, int mode, void* view) {
            rows.push_back({*entry, mode, view});
            return 1;
        },
        3, &marker);
    EXPECT_EQ(result, FileListResult::done);
    EXPECT_EQ(client.session.serverKey, "K2");
    EXPECT_EQ(client.session.credit, "12");
    EXPECT_EQ(client.session.location, "AK02/Older");
    ASSERT_EQ(rows.size(), 3u);
    const FileInfo& full = rows[0].info;
    EXPECT_EQ(std::vector<std::string>({full.fileId, full.name, full.size, full.type, full.price, full.path}),
              std::vector<std::string>({"5", "a.hex", "300", "10", "9.90", "/AK02"}));
    const FileInfo& bare = rows[1].info;
    EXPECT_EQ(std::vector<std::string>({bare.fileId, bare.name, bare.size, bare.type, bare.price, bare.path}),
              std::vector<std::string>({"6", "Sub", "<>", "10", "0", "/"}));
    EXPECT_EQ(rows[2].info.name, "Smith & Sons");
    EXPECT_EQ(rows[0].mode, 3);
    EXPECT_EQ(rows[0].view, &marker);
}

TEST_F(DocumentsTest, FileListStopsWhenTheCallbackSaysSo) {
    client.session.requestId = "7000";
    const std::string answer =
        "<zekCom><resp id=\"7000\"><file fileid=\"1\"/><file fileid=\"2\"/><file "
        "fileid=\"3\"/></resp></zekCom>";
    int calls = 0;
    EXPECT_EQ(client.parseFileList(
                  answer, [&](std::unique_ptr<FileInfo>, int, void*) { return ++calls == 2 ? 0 : 1; }),
              FileListResult::done);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(client.parseFileList(answer, nullptr),
              FileListResult::done);  // no callback: parsed and dropped
}

TEST_F(DocumentsTest, FileListFailures) {
    const std::pair<const char*, FileListResult> cases[] = {
        {"", FileListResult::unusable},
        {"<zekCom/>", FileListResult::unusable},
        {"<zekCom><resp/></zekCom>", FileListResult::syncError},
        {"<zekCom><resp id=\"1\"/></zekCom>", FileListResult::syncError},
    };
    const char* lines[] = {"Error loading data", "Data error: Root node fault", "Error: data sync null",
                           "Error: data sync"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        client.session.requestId = "7000";
        client.session.serverKey = "keep";
        client.session.location = "stale";
        loggedLines.clear();
        int calls = 0;
        EXPECT_EQ(client.parseFileList(cases[i].first,
                                       [&](std::unique_ptr<FileInfo>, int, void*) { return ++calls; }),
                  cases[i].second);
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(client.session.serverKey, "keep");
        EXPECT_EQ(client.session.location, "");
        EXPECT_EQ(loggedLines, std::vector<std::string>{lines[i]});
    }
    client.session.requestId = "7000";
    EXPECT_EQ(client.parseFileList("<zekCom><resp id=\"7000\"/></zekCom>", nullptr),
              FileListResult::done);  // no entries
}

TEST_F(DocumentsTest, ClassifiesTypeCodes) {
    struct Case {
        const char* type;
        int result;
        int subKind;
    };
    const Case cases[] = {{"10", 1, 0}, {"1", 0, 0},  {"19x", 1, 0}, {"00", 2, 0}, {"L0", 3, 4},
                          {"L1", 3, 5}, {"L2", 3, 0}, {"20", 0, 0},  {"", 0, 0}};
    for (const Case& c : cases) {
        FileInfo entry;
        entry.type = c.type;
        int subKind = -1;
        EXPECT_EQ(classifyFileType(&entry, &subKind), c.result) << c.type;
        EXPECT_EQ(subKind, c.subKind) << c.type;
    }
    const FileInfo defaults;
    EXPECT_EQ(classifyFileType(&defaults), 1);  // the default type is a file
    EXPECT_EQ(classifyFileType(nullptr), 0);
}

}  // namespace
