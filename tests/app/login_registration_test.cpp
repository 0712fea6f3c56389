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
        view.type(Control::registrationName, name);
        view.type(Control::registrationEmail, mail);
        view.type(Control::registrationPassword, password);
        view.setSelectedIndex(Control::countryList, country);
    }
};

TEST_F(Registration, UnknownBoxOpensTheFormAndRegistersWithoutASecondLogin) {
    EXPECT_TRUE(logged("Connected to server\r\n"));
    EXPECT_TRUE(visible(Control::registrationDialog));
    EXPECT_FALSE(enabled(Control::mainPanel));
    EXPECT_FALSE(enabled(Control::updateButton));

    fill("Ana Mu\xF1oz", "ana@example.com", "secret #1", 0);
    const std::size_t requests = server.requestCount();
    logic().onSendRegistration();
    EXPECT_EQ(server.requestCount(), requests + 1);
    EXPECT_NE(server.lastDocument().find("type=\"REGISTER\""), std::string::npos);
    EXPECT_NE(server.lastDocument().find("rserial=\"00077777\""), std::string::npos);
    EXPECT_EQ(logic().serverClient().user.userCountry.size(), 2u);
    EXPECT_FALSE(visible(Control::registrationDialog));
    EXPECT_TRUE(visible(Control::registrationDoneDialog));
    EXPECT_EQ(view.text(Control::registrationDoneText), "Product successfully registered.");
    EXPECT_TRUE(enabled(Control::updateButton));
    EXPECT_TRUE(server.isRegistered("00077777"));
    logic().onRegistrationDoneOk();
    EXPECT_FALSE(visible(Control::registrationDoneDialog));
    EXPECT_TRUE(enabled(Control::mainPanel));

    logic().onUpdate();  // the catalogue opens without a new AUTH
    EXPECT_TRUE(visible(Control::firmwareDialog));
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
        logic().onSendRegistration();
        EXPECT_TRUE(visible(Control::registrationFaultDialog)) << a.name;
        EXPECT_FALSE(visible(Control::registrationDialog)) << a.name;
        EXPECT_EQ(view.text(Control::registrationFaultText), a.faultText) << a.name;
        logic().onRegistrationFaultOk();  // back to the form, fields as typed
        EXPECT_TRUE(visible(Control::registrationDialog)) << a.name;
        EXPECT_EQ(view.text(Control::registrationEmail), a.mail);
    }
    EXPECT_EQ(server.requestCount(), requests);  // nothing was sent

    // REG_ERROR keeps the text of the previous refusal
    const std::string serial = logic().serverClient().device.serial;
    logic().serverClient().device.serial = "";
    fill("Ana", "ana@example.com", "pw", 3);
    logic().onSendRegistration();
    EXPECT_TRUE(visible(Control::registrationFaultDialog));
    EXPECT_EQ(view.text(Control::registrationFaultText), kInvalid);
    logic().serverClient().device.serial = serial;
    logic().onRegistrationFaultOk();

    logic().onSendRegistration();
    EXPECT_TRUE(visible(Control::registrationDoneDialog));
    logic().onRegistrationDoneOk();

    // the same e-mail address again
    logic().serverClient().device.serial = "00088888";
    logic().onRegistrationFaultOk();
    logic().onSendRegistration();
    EXPECT_TRUE(visible(Control::registrationFaultDialog));
    EXPECT_EQ(view.text(Control::registrationFaultText), kAlready);
}

TEST_F(Registration, CancelLeavesUpdateDisabledAndUnreachableServerKeepsTheForm) {
    fill("Ana", "ana@example.com", "pw", 3);
    server.stop();
    logic().onSendRegistration();
    const auto lines = view.logLines();
    EXPECT_EQ(lines.back().rfind("Error connecting to server [", 0), 0u) << lines.back();
    EXPECT_TRUE(visible(Control::registrationDialog));
    logic().onCancelRegistration();
    EXPECT_FALSE(visible(Control::registrationDialog));
    EXPECT_TRUE(enabled(Control::mainPanel));
    EXPECT_FALSE(enabled(Control::updateButton));
}

TEST_F(RoadTest, BlacklistedBoxIsBlockedUntilUnplugged) {
    plugIn("blocked");
    connectTick();
    EXPECT_EQ(view.text(Control::statusPanel), "Device blocked");
    EXPECT_EQ(view.colour(Control::statusPanel), (Rgb{255, 176, 176}));
    EXPECT_FALSE(enabled(Control::mainPanel));
    EXPECT_FALSE(enabled(Control::reconnectButton));
    EXPECT_TRUE(logged("ERROR: Device blocked, contact reseller"));
    EXPECT_FALSE(enabled(Control::updateButton));

    box->unplug();
    logic().onConnectTimer();
    EXPECT_EQ(view.text(Control::statusPanel), "Disconnected");
    EXPECT_TRUE(enabled(Control::mainPanel));
    EXPECT_FALSE(enabled(Control::reconnectButton));
    EXPECT_TRUE(logic().serverClient().session.blacklisted);
}

}  // namespace
}  // namespace app::testing
