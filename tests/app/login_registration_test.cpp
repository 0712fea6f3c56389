// The login answers and the registration dialog against the stand-in server.
#include <gtest/gtest.h>

#include "road_fixture.h"

namespace app::testing {
namespace {

const std::string kInvalid = "Error, invalid data.\nPlease try again.";
const std::string kAlready = "Error, Username already registered.\nPlease try again.";

class Registration : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        plugIn("unregistered");
        connectTick();
    }
    void fill(const std::string& name, const std::string& mail, const std::string& password, int country) {
        view.type(Control::edRegName, name);
        view.type(Control::edRegeMail, mail);
        view.type(Control::edRegPassword, password);
        view.setSelectedIndex(Control::cbCountries, country);
    }
};

TEST_F(Registration, UnknownBoxOpensTheFormAndRegistersWithoutASecondLogin) {
    EXPECT_TRUE(logged("Connected to server\r\n"));
    EXPECT_TRUE(visible(Control::pReg));
    EXPECT_FALSE(enabled(Control::gPanel));
    EXPECT_FALSE(enabled(Control::btUpdate));

    fill("Ana Mu\xF1oz", "ana@example.com", "secret #1", 0);
    const std::size_t requests = server.requestCount();
    logic().btSendRegClick();
    EXPECT_EQ(server.requestCount(), requests + 1);
    EXPECT_NE(server.lastDocument().find("type=\"REGISTER\""), std::string::npos);
    EXPECT_NE(server.lastDocument().find("rserial=\"00077777\""), std::string::npos);
    EXPECT_EQ(logic().serverClient().user.userCountry.size(), 2u);
    EXPECT_FALSE(visible(Control::pReg));
    EXPECT_TRUE(visible(Control::pRegOK));
    EXPECT_EQ(view.text(Control::mmRegOkMsg), "Product successfully registered.");
    EXPECT_TRUE(enabled(Control::btUpdate));
    EXPECT_TRUE(server.isRegistered("00077777"));
    logic().btRegOKOKClick();
    EXPECT_FALSE(visible(Control::pRegOK));
    EXPECT_TRUE(enabled(Control::gPanel));

    logic().btUpdateClick();  // the catalogue opens without a new AUTH
    EXPECT_TRUE(visible(Control::pFirmUpdate));
}

TEST_F(Registration, RefusalsAndTheirTexts) {
    struct Attempt {
        const char* name;
        std::string userName, mail, password;
        int country;
        std::string faultText;  // empty: the server was asked and accepted
    };
    const Attempt invalid[] = {
        {"emptyName", "", "ana@example.com", "pw", 3, kInvalid},
        {"badMail", "Ana", "a@bc", "pw", 3, kInvalid},
        {"percentInPassword", "Ana", "ana@example.com", "50%", 3, kInvalid},
        {"slashInPassword", "Ana", "ana@example.com", "a/b", 3, kInvalid},
        {"noCountry", "Ana", "ana@example.com", "pw", -1, kInvalid},
    };
    const std::size_t requests = server.requestCount();
    for (const Attempt& a : invalid) {
        fill(a.userName, a.mail, a.password, a.country);
        logic().btSendRegClick();
        EXPECT_TRUE(visible(Control::pRegFault)) << a.name;
        EXPECT_FALSE(visible(Control::pReg)) << a.name;
        EXPECT_EQ(view.text(Control::mmRegFaultMsg), a.faultText) << a.name;
        logic().btRegFaultOKClick();  // back to the form, fields as typed
        EXPECT_TRUE(visible(Control::pReg)) << a.name;
        EXPECT_EQ(view.text(Control::edRegeMail), a.mail);
    }
    EXPECT_EQ(server.requestCount(), requests);  // nothing was sent

    // REG_ERROR keeps the text of the previous refusal
    const std::string serial = logic().serverClient().device.serial;
    logic().serverClient().device.serial = "";
    fill("Ana", "ana@example.com", "pw", 3);
    logic().btSendRegClick();
    EXPECT_TRUE(visible(Control::pRegFault));
    EXPECT_EQ(view.text(Control::mmRegFaultMsg), kInvalid);
    logic().serverClient().device.serial = serial;
    logic().btRegFaultOKClick();

    logic().btSendRegClick();
    EXPECT_TRUE(visible(Control::pRegOK));
    logic().btRegOKOKClick();

    // the same e-mail address again
    logic().serverClient().device.serial = "00088888";
    logic().btRegFaultOKClick();
    logic().btSendRegClick();
    EXPECT_TRUE(visible(Control::pRegFault));
    EXPECT_EQ(view.text(Control::mmRegFaultMsg), kAlready);
}

TEST_F(Registration, CancelLeavesUpdateDisabledAndUnreachableServerKeepsTheForm) {
    fill("Ana", "ana@example.com", "pw", 3);
    server.stop();
    logic().btSendRegClick();
    const auto lines = view.logLines();
    EXPECT_EQ(lines.back().rfind("Error connecting to server [", 0), 0u) << lines.back();
    EXPECT_TRUE(visible(Control::pReg));
    logic().btRegCancelClick();
    EXPECT_FALSE(visible(Control::pReg));
    EXPECT_TRUE(enabled(Control::gPanel));
    EXPECT_FALSE(enabled(Control::btUpdate));
}

TEST_F(RoadTest, BlacklistedBoxIsBlockedUntilUnplugged) {
    plugIn("blocked");
    connectTick();
    EXPECT_EQ(view.text(Control::lConnected), "Device blocked");
    EXPECT_EQ(view.colour(Control::lConnected), (Rgb{255, 176, 176}));
    EXPECT_FALSE(enabled(Control::gPanel));
    EXPECT_FALSE(enabled(Control::btConnect));
    EXPECT_TRUE(logged("ERROR: Device blocked, contact reseller"));
    EXPECT_FALSE(enabled(Control::btUpdate));

    box->unplug();
    logic().tmConnectTimer();
    EXPECT_EQ(view.text(Control::lConnected), "Disconnected");
    EXPECT_TRUE(enabled(Control::gPanel));
    EXPECT_FALSE(enabled(Control::btConnect));
    EXPECT_TRUE(logic().serverClient().session.blacklisted);
}

}  // namespace
}  // namespace app::testing
