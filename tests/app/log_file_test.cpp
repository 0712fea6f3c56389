#include "app/log_file.h"

#include <gtest/gtest.h>

#include "shell_fixture.h"
#include "support/temp_dir.h"

namespace app::testing {
namespace {

TEST(WriteLogFile, Windows1252LinesWithCrLfReplacingTheFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("saved.log");
    { std::ofstream(path, std::ios::binary) << std::string(200, 'z'); }
    ASSERT_TRUE(writeLogFile(path, {"abc", "",
                                    "Espa\xF1"
                                    "a [7]",
                                    "  indented"}));
    EXPECT_EQ(testsupport::readBytes(path),
              "abc\r\n\r\nEspa\xF1"
              "a [7]\r\n  indented\r\n");

    ASSERT_TRUE(writeLogFile(path, {}));
    EXPECT_EQ(testsupport::readBytes(path), "");
    EXPECT_FALSE(writeLogFile(dir.file("missing/folder.log"), {"x"}));
}

using SaveLogTest = ShellTest;

TEST_F(SaveLogTest, AnswersOfTheSaveDialog) {
    testsupport::TempDir dir;
    struct Case {
        std::optional<std::string> answer;
        std::vector<std::string> added;  // lines the save adds to the log
        bool written;
    } cases[] = {
        {std::nullopt, {}, false},
        {std::string(), {"Error creating file"}, false},
        {dir.file("no/such/folder.log"), {"Error creating file"}, false},
        {dir.file("good.log"), {"File created"}, true},
    };
    for (const Case& c : cases) {
        view.clearLog();
        view.appendLog("first\r\nsecond");
        view.appendLog(
            "\xA1"
            "tercera!");
        const auto before = view.logLines();
        view.queueSaveAnswer(c.answer);
        view.clearCalls();

        saveLogToDisk(view, log);

        EXPECT_EQ(view.calls().front(), "askSaveFile(Log (*.log)|*.log|All files (*.*)|*.*, )");
        auto expected = before;
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(view.logLines(), expected) << c.answer.value_or("(cancel)");
        if (c.written) {
            EXPECT_EQ(testsupport::readBytes(*c.answer),
                      "first\r\nsecond\r\n\xA1"
                      "tercera!\r\n");
        }
    }
}

TEST_F(SaveLogTest, ErrorLinesAreWrittenAtLevelOne) {
    log.setThreshold(1);
    view.queueSaveAnswer(std::string());
    saveLogToDisk(view, log);
    EXPECT_EQ(view.logLines(), std::vector<std::string>{"Error creating file"});
}

}  // namespace
}  // namespace app::testing
