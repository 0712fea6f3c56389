#include "app/log.h"

#include <gtest/gtest.h>

#include "catalogue/banner.h"
#include "catalogue/products.h"
#include "shell_fixture.h"

namespace app::testing {
namespace {

using LogLineTest = ShellTest;

TEST_F(LogLineTest, FormatsAndThreshold) {
    struct Case {
        std::int32_t threshold, level;
        const char* text;
        std::int32_t code;
        std::uint32_t depth;
        std::optional<std::string> entry;  // empty: nothing written
    } cases[] = {
        {3, 3, "abc", 0, 0, "abc"},
        {3, 4, "abc", 0, 0, std::nullopt},
        {8, 4, "abc", 0, 0, "abc"},
        {8, 9, "abc", 0, 0, std::nullopt},
        {3, 1, "Error reading firmware", 32, 2, "    Error reading firmware [32]"},
        {3, 1, "x", 0, 40, std::string(30, ' ') + "x"},
        {3, 1, "x", 0, 15, std::string(30, ' ') + "x"},
        {3, 1, "x", -1, 0, "x [4294967295]"},
        {3, 1, "x", -2147483647 - 1, 1, "  x [2147483648]"},
        {3, 1, "Connected to server\r\n", 0, 0, "Connected to server\r\n"},
        {3, 1, "", 7, 0, " [7]"},
        {3, -5, "low levels always pass", 0, 0, "low levels always pass"},
    };
    for (const Case& c : cases) {
        view.clearCalls();
        log.setThreshold(c.threshold);
        log.line(c.level, c.text, c.code, c.depth);
        const auto calls = view.calls();
        if (c.entry) {
            EXPECT_EQ(calls, std::vector<std::string>{"appendLog(" + *c.entry + ")"}) << c.text;
        } else {
            EXPECT_TRUE(calls.empty()) << c.text;
        }
    }
}

TEST(WindowLog, EachLogWritesToItsOwnWindowOnly) {
    RecordingView first;
    RecordingView second;
    Log firstLog(first);
    Log secondLog(second);
    secondLog.setThreshold(kDebugLogThreshold);
    firstLog.line(4, "debug only", 0, 0);
    secondLog.line(4, "debug only", 0, 0);
    firstLog.selectProduct(2, true);
    EXPECT_EQ(first.logLines(), splitLogEntry(catalogue::productTable[2].manualInfo));
    EXPECT_EQ(second.logLines(), std::vector<std::string>{"debug only"});
    EXPECT_EQ(firstLog.threshold(), kNormalLogThreshold);
}

TEST(SplitLogEntry, CrLfPairsMakeLines) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(splitLogEntry("abc"), Lines{"abc"});
    EXPECT_EQ(splitLogEntry("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLogEntry("a\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(splitLogEntry(""), Lines{""});
    EXPECT_EQ(splitLogEntry("a\nb\rc"), Lines{"a\nb\rc"});  // lone LF or CR does not split
    EXPECT_EQ(splitLogEntry("\r\n\r\n"), (Lines{"", "", ""}));
}

TEST_F(LogLineTest, SelectProductClearsTheLogAndShowsTheRightText) {
    struct Case {
        int index;
        bool operatorFlag;
        const std::string& text;
    } cases[] = {
        {2, true, catalogue::productTable[2].manualInfo},
        {2, false, catalogue::productTable[2].detectedInfo},
        {10, false, catalogue::productTable[10].detectedInfo},
        {-1, false, catalogue::welcomeBanner},
        {11, true, catalogue::welcomeBanner},
    };
    for (const Case& c : cases) {
        view.appendLog("old line");
        view.clearCalls();
        log.selectProduct(c.index, c.operatorFlag);
        EXPECT_EQ(view.calls(), (std::vector<std::string>{"clearLog()", "appendLog(" + c.text + ")"}))
            << c.index;
        EXPECT_EQ(view.logLines(), splitLogEntry(c.text)) << c.index;
    }
}

}  // namespace
}  // namespace app::testing
