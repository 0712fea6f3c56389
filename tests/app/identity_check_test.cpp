// How the identity read from the box is validated and what the six fields show.
#include "app/identity_check.h"

#include <gtest/gtest.h>

#include "app/request_path.h"

namespace {

using app::checkIdentity;
using app::RawIdentity;

const RawIdentity kGood{"AK02", "00012345", "14-09-2010", "Arvex", "1.0", "2"};

RawIdentity with(RawIdentity raw, std::string RawIdentity::*field, std::string value) {
    raw.*field = std::move(value);
    return raw;
}

TEST(Identity, GoodBoxShownAsRead) {
    const auto id = checkIdentity(kGood);
    EXPECT_FALSE(id.damaged);
    EXPECT_EQ(id.reference, "AK02");
    EXPECT_EQ(id.serial, "00012345");
    EXPECT_EQ(id.date, "14-09-2010");
    EXPECT_EQ(id.reseller, "Arvex");
    EXPECT_EQ(id.shownFirmwareVersion, "1.0");
    EXPECT_EQ(id.shownHardwareVersion, "1");
}

TEST(Identity, ValidationCases) {
    struct Case {
        const char* name;
        RawIdentity raw;
        bool damaged;
        std::string reference, serial, date, reseller;
    };
    const Case cases[] = {
        {"shortReference", with(kGood, &RawIdentity::reference, "AK"), true, "_FIX", "00012345", "14-09-2010",
         "Arvex"},
        {"shortSerial", with(kGood, &RawIdentity::serial, "123456"), true, "_FIX", "N/A", "14-09-2010",
         "Arvex"},
        {"badDate", with(kGood, &RawIdentity::date, "14/09/2010"), true, "_FIX", "00012345", "N/A", "Arvex"},
        {"resellerTooShort", with(kGood, &RawIdentity::reseller, "A"), true, "_FIX", "00012345", "14-09-2010",
         "N/A"},
        {"allBad", {"", "", "", "", "", ""}, true, "_FIX", "N/A", "N/A", "N/A"},
        // reference, date and serial lose blanks and control bytes at both ends; the reseller does not
        {"trimmed",
         {" \tAK02\r\n",
          "\x01"
          "00012345 ",
          " 14-09-2010\x1f", "Arvex", "1.0", "2"},
         false,
         "AK02",
         "00012345",
         "14-09-2010",
         "Arvex"},
        {"resellerNotTrimmed", with(kGood, &RawIdentity::reseller, "\tArvex"), true, "_FIX", "00012345",
         "14-09-2010", "N/A"},
    };
    for (const auto& c : cases) {
        const auto id = checkIdentity(c.raw);
        EXPECT_EQ(id.damaged, c.damaged) << c.name;
        EXPECT_EQ(id.reference, c.reference) << c.name;
        EXPECT_EQ(id.serial, c.serial) << c.name;
        EXPECT_EQ(id.date, c.date) << c.name;
        EXPECT_EQ(id.reseller, c.reseller) << c.name;
    }
}

TEST(Identity, VersionFields) {
    struct Case {
        std::string firmware, hardware;
        std::string storedFirmware, shownFirmware, shownHardware;
    };
    const Case cases[] = {
        {"1.0", "3", "1.0", "1.0", "2"},
        {"", "", "", "N/A", "N/A"},
        {"1%0", "0", "N/A", "N/A", "-1"},
        {"2.1", "-2147483648", "2.1", "2.1", "-2147483649"},
        {"2.1", "2147483648", "2.1", "2.1", "N/A"},
        {"2.1", "12a", "2.1", "2.1", "N/A"},
    };
    for (const auto& c : cases) {
        RawIdentity raw = kGood;
        raw.firmwareVersion = c.firmware;
        raw.hardwareVersion = c.hardware;
        const auto id = checkIdentity(raw);
        EXPECT_EQ(id.firmwareVersion, c.storedFirmware) << c.firmware;
        EXPECT_EQ(id.shownFirmwareVersion, c.shownFirmware) << c.firmware;
        EXPECT_EQ(id.shownHardwareVersion, c.shownHardware) << c.hardware;
        EXPECT_FALSE(id.damaged);
    }
}

TEST(RequestPath, TheFourPaths) {
    EXPECT_EQ(app::requestPathFor(false, true), "/support/api_support.php");
    EXPECT_EQ(app::requestPathFor(false, false), "/support/api_support.php?nocrypt=1");
    EXPECT_EQ(app::requestPathFor(true, true), "/support/api_support.php?debugmode=1");
    EXPECT_EQ(app::requestPathFor(true, false), "/support/api_support.php?nocrypt=1&debugmode=1");
}

}  // namespace
