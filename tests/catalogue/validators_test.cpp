#include "catalogue/validators.h"

#include <gtest/gtest.h>

namespace {

using catalogue::checkEmail;
using catalogue::checkText;

TEST(CheckText, CharacterSetAndBounds) {
    struct Case {
        std::string text;
        std::uint32_t minimum, maximum;
        bool accepted;
    } cases[] = {
        {"Jose", 1, 64, true},
        {"Jos\xE9", 1, 64, false},  // e acute
        {"Espa\xF1"
         "a",
         1, 64, true},
        {"\xD1"
         "and\xFA",
         1, 64, false},  // N tilde passes, u acute does not
        {"O'Brien", 1, 64, false},
        {"Smith & Sons (Spain) Ltd.", 1, 64, true},
        {"a!#$&(),-.:;@_ Z9", 1, 64, true},
        {"", 1, 64, false},
        {"", 0, 64, true},
        {std::string(64, 'x'), 1, 64, true},
        {std::string(65, 'x'), 1, 64, false},
        {"abc", 3, 3, true},
        {"ab", 3, 64, false},
        {std::string("ab\0cd", 5), 1, 64, true},  // NUL bytes are accepted
        {"100%", 0, 1000, false},
        {"tab\there", 1, 64, false},
        {"\x7F", 0, 64, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checkText(c.text, c.minimum, c.maximum), c.accepted) << c.text;
    }
}

TEST(CheckText, EveryRefusedPunctuationMark) {
    for (char c : std::string("\"'`\\%*+/<=>?[]^{|}~")) {
        EXPECT_FALSE(checkText(std::string("a") + c, 0, 64)) << c;
    }
}

TEST(CheckEmail, Shapes) {
    struct Case {
        const char* text;
        bool accepted;
    } cases[] = {
        {"a@bcd", true},      // five characters: one before the '@', three after
        {"a@bc", false},      // four characters, whatever the shape
        {"@abcd", false},     // nothing before the '@'
        {"ab@cd", false},     // only two after the '@'
        {"ab@cd@ef", true},   // a later '@' is allowed
        {"user@host", true},  // no dot required
        {"us+r@host.es", false},
        {"user@example.com", true},
        {"userexample.com", false},
        {"user@exa%ple.com", false},
    };
    for (const Case& c : cases) EXPECT_EQ(checkEmail(c.text), c.accepted) << c.text;
    EXPECT_FALSE(checkEmail(std::string(60, 'a') + "@bcde"));  // 65 characters
}

}  // namespace
