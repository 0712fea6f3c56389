#include "server/status_block.h"

#include <gtest/gtest.h>

#include "server/raw_download.h"

namespace {

using namespace server;

TEST(StatusBlockTest, DownloadsIntoMemory) {
    const std::string container = ":020000040000FA\r\n:00000001FF\r\n";
    struct Case {
        std::string answer;
        int result;
        std::string file;  // what is left to program
    };
    const Case cases[] = {
        {"1\r\n5||\r\nhello", kRawOk, "hello"},
        {"1\r\n+5||\r\nhello", kRawOk, "hello"},
        {"1\r\n" + std::to_string(container.size()) + "||\r\n" + container, kRawOk, container},
        {container, kRawOk, container},  // no block: the whole answer is the file
        {"", kRawOk, ""},
        {"0\r\nFile not found||\r\n", kRawRefused, ""},
        {"0||\r\n", kRawRefused, ""},
        {"1\r\n6||\r\nhello", kRawSizeMismatch, ""},
        {"1\r\n4||\r\nhello", kRawSizeMismatch, ""},
        {"1\r\n0||\r\n", kRawSizeMismatch, ""},
        {"1\r\n-5||\r\nhello", kRawSizeMismatch, ""},
        {"1\r\nfive||\r\nhello", kRawProtocol, ""},
        {"1\r\n99999999999||\r\nhello", kRawProtocol, ""},
        {"1\r\n5 no end", kRawOk, "1\r\n5 no end"},  // never closed: no block
        {"0 and no end", kRawOk, "0 and no end"},
        {"1\r\n" + std::string(2100, '5') + "||\r\n", kRawOk, "1\r\n" + std::string(2100, '5') + "||\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 40));
        std::string answer = c.answer;
        EXPECT_EQ(takeDownloadedFile(answer), c.result);
        EXPECT_EQ(answer, c.file);
    }
}

TEST(StatusBlockTest, BlocksAsTheRawPathReadsThem) {
    const std::pair<const char*, int> cases[] = {
        {"1\r\n12", kRawOk}, {"0", kRawRefused}, {"0x", kRawRefused},     {"2\r\n5", kRawProtocol},
        {"1", kRawProtocol}, {"", kRawProtocol}, {"1\r\n", kRawProtocol}, {"1\r\n5x", kRawProtocol},
    };
    for (const auto& [block, result] : cases) {
        std::int32_t size = -1;
        EXPECT_EQ(readStatusBlock(block, size), result) << block;
        if (result == kRawOk) {
            EXPECT_EQ(size, 12);
        }
    }
}

}  // namespace
