#include "server/status_block.h"

#include <gtest/gtest.h>

#include "server/raw_download.h"
#include "support/server_results.h"

namespace {

using namespace server;

TEST(StatusBlockTest, DownloadsIntoMemory) {
    const std::string container = ":020000040000FA\r\n:00000001FF\r\n";
    struct Case {
        std::string answer;
        RawDownloadResult result;
        std::string file;  // what is left to program
    };
    const Case cases[] = {
        {"1\r\n5||\r\nhello", RawDownloadResult::ok, "hello"},
        {"1\r\n+5||\r\nhello", RawDownloadResult::ok, "hello"},
        {"1\r\n" + std::to_string(container.size()) + "||\r\n" + container, RawDownloadResult::ok, container},
        {container, RawDownloadResult::ok, container},  // no block: the whole answer is the file
        {"", RawDownloadResult::ok, ""},
        {"0\r\nFile not found||\r\n", RawDownloadResult::refused, ""},
        {"0||\r\n", RawDownloadResult::refused, ""},
        {"1\r\n6||\r\nhello", RawDownloadResult::sizeMismatch, ""},
        {"1\r\n4||\r\nhello", RawDownloadResult::sizeMismatch, ""},
        {"1\r\n0||\r\n", RawDownloadResult::sizeMismatch, ""},
        {"1\r\n-5||\r\nhello", RawDownloadResult::sizeMismatch, ""},
        {"1\r\nfive||\r\nhello", RawDownloadResult::protocol, ""},
        {"1\r\n99999999999||\r\nhello", RawDownloadResult::protocol, ""},
        {"1\r\n5 no end", RawDownloadResult::ok, "1\r\n5 no end"},  // never closed: no block
        {"0 and no end", RawDownloadResult::ok, "0 and no end"},
        {"1\r\n" + std::string(2100, '5') + "||\r\n", RawDownloadResult::ok,
         "1\r\n" + std::string(2100, '5') + "||\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 40));
        std::string answer = c.answer;
        EXPECT_EQ(takeDownloadedFile(answer), c.result);
        EXPECT_EQ(answer, c.file);
    }
}

TEST(StatusBlockTest, BlocksAsTheRawPathReadsThem) {
    const std::pair<const char*, RawDownloadResult> cases[] = {
        {"1\r\n12", RawDownloadResult::ok},     {"0", RawDownloadResult::refused},
        {"0x", RawDownloadResult::refused},     {"2\r\n5", RawDownloadResult::protocol},
        {"1", RawDownloadResult::protocol},     {"", RawDownloadResult::protocol},
        {"1\r\n", RawDownloadResult::protocol}, {"1\r\n5x", RawDownloadResult::protocol},
    };
    for (const auto& [block, result] : cases) {
        std::int32_t size = -1;
        EXPECT_EQ(readStatusBlock(block, size), result) << block;
        if (result == RawDownloadResult::ok) {
            EXPECT_EQ(size, 12);
        }
    }
}

}  // namespace
