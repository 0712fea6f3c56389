// How a firmware container is split into its images and request words.
#include "app/firmware_container.h"
#include "base/result.h"

#include <gtest/gtest.h>

namespace {

using app::isContainerName;
using app::splitContainer;

const std::string kImageA = ":020000041D00DD\n:0400000001020304F2\n:00000001FF\n";
const std::string kImageB = ":0400000005060708DA\n:00000001FF\n";

struct ContainerCase {
    const char* name;
    std::string text;
    std::int32_t result;
    std::int32_t kind;
    std::optional<std::string> imageA, imageB;
};

class ContainerCases : public ::testing::TestWithParam<ContainerCase> {};

TEST_P(ContainerCases, SplitsAsTheMarkersSay) {
    const ContainerCase& c = GetParam();
    const auto split = splitContainer(c.text);
    EXPECT_EQ(base::code(split.result), c.result);
    EXPECT_EQ(split.kind(), c.kind);
    EXPECT_EQ(split.imageA, c.imageA);
    EXPECT_EQ(split.imageB, c.imageB);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContainerCases,
    ::testing::Values(
        ContainerCase{"both", "1 RESET\n:0000000aff\n" + kImageA + ":0000000bff\n" + kImageB, 0, 3, kImageA,
                      kImageB},
        ContainerCase{"onlyB", "1 RESET text\n:0000000bff\n" + kImageB, 0, 2, std::nullopt, kImageB},
        ContainerCase{"onlyA", "1\n:0000000aff\n" + kImageA, 0, 1, kImageA, std::nullopt},
        ContainerCase{"crlfMarkers", "1\r\n:0000000aff\r\n" + kImageA + ":0000000bff\r\n" + kImageB, 0, 3,
                      kImageA, kImageB},
        // a line with LF wins over an earlier one with CR LF
        ContainerCase{"lfWins", "1\n:0000000aff\r\nX\n:0000000aff\n" + kImageA, 0, 1, kImageA, std::nullopt},
        ContainerCase{"upperCaseMarkers", "1\n:0000000AFF\n" + kImageA + ":0000000BFF\n" + kImageB, 32, 0,
                      std::nullopt, std::nullopt},
        ContainerCase{"firstCharacterTwo", "2\n:0000000aff\n" + kImageA, 16, 0, std::nullopt, std::nullopt},
        ContainerCase{"tooShort", "1:0aff", 2, 0, std::nullopt, std::nullopt},
        ContainerCase{"bBeforeA", "1\n:0000000bff\n" + kImageB + ":0000000aff\n" + kImageA, 34, 0,
                      std::nullopt, std::nullopt},
        // without marker line A, marker line B must lie beyond position 9
        ContainerCase{"bTooEarly", "1:0000000bff\n" + kImageB, 34, 0, std::nullopt, std::nullopt},
        ContainerCase{"bJustAfterNine", "1RESET\nxyz:0000000bff\n" + kImageB, 0, 2, std::nullopt, kImageB}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Container, RequestWordsAnywhereInTheText) {
    struct WordsCase {
        std::string text;
        bool reset, erase;
    };
    const WordsCase cases[] = {
        {"1\n:0000000aff\n" + kImageA, false, false},
        {"1 RESET ERASE_USER_DATA\n:0000000aff\n" + kImageA, true, true},
        {"1\n:0000000aff\n" + kImageA + "ERASE_USER_DATA", false, true},
        {"1 reset\n:0000000aff\n" + kImageA, false, false},
        {"1 RESET but no markers", true, false},
    };
    for (const auto& c : cases) {
        const auto split = splitContainer(c.text);
        EXPECT_EQ(split.resetRequested, c.reset) << c.text;
        EXPECT_EQ(split.eraseUserDataRequested, c.erase) << c.text;
    }
}

TEST(FirmwareContainer, NamesEndingInHexInAnyCaseAreContainers) {
    const std::pair<const char*, bool> cases[] = {
        {"ak02_fw_1.3.hex", true}, {"AK02.HEX", true},   {"a.Hex", true}, {".hex", true}, {"hex", false},
        {"notes.txt", false},      {"a.hex.txt", false}, {"", false},
    };
    for (const auto& [name, container] : cases) EXPECT_EQ(isContainerName(name), container) << name;
}

}  // namespace
