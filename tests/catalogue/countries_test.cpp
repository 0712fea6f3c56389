#include "catalogue/countries.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using catalogue::countryCodes;
using catalogue::countryNames;

TEST(Countries, RowsThatMatter) {
    struct Case {
        int index;
        const char* name;
        const char* code;
    } cases[] = {
        {0, "Afghanistan", "AF"},
        {50, "Congo", "CD"},
        {51, "Congo the", "CG"},
        {54, "Cote d\"Ivoire", "CI"},
        {70, "Faroe Islands", "FO"},
        {71, "Falkland Islands (Malvinas)", "FK"},
        {116, "Korea", "KP"},
        {117, "Korea", "KR"},
        {120, "Lao", "LA"},
        {155, "Netherlands Antilles", "AN"},
        {156, "Netherlands the", "NL"},
        {190, "Saint Vincent, and the Grenadines", "VC"},
        {206, "Spain", "ES"},
        {210, "Svalbard & Jan Mayen Islands", "SJ"},
        {232, "United Kingdom", "GB"},
        {233, "United, States of America", "US"},
        {245, "Zimbabwe", "ZW"},
    };
    ASSERT_EQ(catalogue::countryCount, 246);
    for (const Case& c : cases) {
        EXPECT_EQ(countryNames[c.index], c.name) << c.index;
        EXPECT_EQ(countryCodes[c.index], c.code) << c.index;
    }
}

TEST(Countries, CodesAreDistinctPairsOfCapitals) {
    std::set<std::string> seen;
    for (int i = 0; i < catalogue::countryCount; ++i) {
        const std::string& code = countryCodes[i];
        ASSERT_EQ(code.size(), 2u) << i;
        EXPECT_TRUE(code[0] >= 'A' && code[0] <= 'Z' && code[1] >= 'A' && code[1] <= 'Z') << i;
        EXPECT_TRUE(seen.insert(code).second) << "duplicate " << code << " at " << i;
        EXPECT_FALSE(countryNames[i].empty()) << i;
    }
}

}  // namespace
