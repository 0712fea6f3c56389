#include "catalogue/products.h"
#include "catalogue/banner.h"

#include <gtest/gtest.h>

#include "arvex/config.h"

namespace {

using catalogue::productTable;

const std::string kStandard =
    "\r\n\r\nINSTRUCTIONS\r\n\r\n"
    "- Proceed with the operations\r\n";

TEST(ProductTable, ListItemsInTableOrder) {
    const char* expected[] = {
        "[AB01] Arvex BT Compatibilizer",
        "[AK01] Arvex Kiro",
        "[AK02] Arvex Kiro+",
        "[AK03] Arvex Kiro Advanced",
        "[AK90] Arvex Kiro Prototype",
        "[AL01] Arvex Lume1",
        "[AL02] Arvex Lume2",
        "[AS01] Arvex Sento MMI",
        "[AS02] Arvex Sento MMI PRO",
        "[AS10] Arvex Sento RNS510",
        "[_FIX] Damaged box",
    };
    ASSERT_EQ(catalogue::productCount, 11);
    for (int i = 0; i < catalogue::productCount; ++i)
        EXPECT_EQ(catalogue::productListItem(i), expected[i]) << i;
    EXPECT_EQ(catalogue::productListItem(-1), "");
    EXPECT_EQ(catalogue::productListItem(11), "");
}

TEST(ProductTable, InstructionTextsAreByteExact) {
    const std::string notSupported =
        "Product : Arvex Kiro\r\nReference : AK01\r\n\r\nINSTRUCTIONS\r\n\r\n"
        "- This product can't be upgraded via internet (not supported)\r\n"
        "- Please contact with our staff for give you manual instructions\r\n";
    EXPECT_EQ(productTable[1].manualInfo, notSupported);
    EXPECT_EQ(productTable[1].detectedInfo, notSupported);

    EXPECT_EQ(productTable[2].manualInfo,
              "Product : Arvex Kiro+\r\nReference : AK02\r\n\r\nINSTRUCTIONS\r\n\r\n"
              "- Press Connect and wait for see info readed\r\n- Proceed with the operations\r\n");
    EXPECT_EQ(productTable[2].detectedInfo, "Product : Arvex Kiro+\r\nReference : AK02" + kStandard);

    const std::string damaged = "Product : Damaged Arvex\r\nReference : DAMAGED" + kStandard;
    EXPECT_EQ(productTable[10].manualInfo, damaged);
    EXPECT_EQ(productTable[10].detectedInfo, damaged);

    for (int i : {0, 3, 4, 5, 6, 7, 8, 9}) {
        const auto& p = productTable[i];
        const std::string expected = "Product : " + p.name + "\r\nReference : " + p.reference + kStandard;
        EXPECT_EQ(p.manualInfo, expected) << i;
        EXPECT_EQ(p.detectedInfo, expected) << i;
    }
}

TEST(ProductTable, FindByReferenceIsExactAndCaseSensitive) {
    struct Case {
        const char* reference;
        std::optional<int> index;
    } cases[] = {
        {"AB01", 0},
        {"AK02", 2},
        {"AS10", 9},
        {"_FIX", 10},
        {"ak02", std::nullopt},
        {"AK0", std::nullopt},
        {"AK02 ", std::nullopt},
        {"", std::nullopt},
        {"DAMAGED", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(catalogue::findProductByReference(c.reference), c.index) << c.reference;
}

TEST(ProductTable, SelectionTextFollowsTheOperatorFlag) {
    EXPECT_EQ(catalogue::productSelectionText(2, true), productTable[2].manualInfo);
    EXPECT_EQ(catalogue::productSelectionText(2, false), productTable[2].detectedInfo);
    for (int outside : {-1, 11, -7, 1000}) {
        EXPECT_EQ(catalogue::productSelectionText(outside, true), catalogue::welcomeBanner) << outside;
        EXPECT_EQ(catalogue::productSelectionText(outside, false), catalogue::welcomeBanner) << outside;
    }
}

TEST(WelcomeBanner, IsByteExact) {
    const std::string rule(34, '-');
    const std::string expected = rule + "\r\n Welcome to ONLINE UPDATER v1.2.7\r\n" + rule +
                                 "\r\n\r\n"
                                 "Use this software for update/repair your ARVEX products.\r\n"
                                 "If you have any problem or doubt, contact us in our official forum\r\n"
                                 "\r\nFORUM : " +
                                 std::string(arvex::config::kForumUrl) + "\r\n\r\n" + rule + "\r\n\r\n";
    EXPECT_EQ(catalogue::welcomeBanner, expected);
}

}  // namespace
