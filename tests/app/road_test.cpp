// The road of one update through the window logic, and the device session around it.
#include <gtest/gtest.h>

#include "road_fixture.h"
#include "sim/server/sample_catalogue.h"

namespace app::testing {
namespace {

constexpr Rgb kGreen{140, 255, 140};
constexpr Rgb kGrey{209, 209, 209};

int countOf(const std::vector<int>& commands, int command) {
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

TEST_F(RoadTest, WholeRoadWithBothTargetsAndTheSecondLogin) {
    plugIn("ak03");
    connectTick();
    EXPECT_EQ(view.text(Control::productField), "AK03");
    EXPECT_EQ(view.text(Control::serialField), "00023456");
    EXPECT_EQ(view.colour(Control::statusPanel), kGreen);
    EXPECT_TRUE(logged("Connected to server\r\nPress the Update button for update the device"));
    ASSERT_TRUE(enabled(Control::updateButton));
    const std::size_t loginsBefore = server.requestCount();

    logic().onUpdate();
    ASSERT_TRUE(visible(Control::firmwareDialog));
    choose("AK03");
    EXPECT_EQ(view.text(Control::catalogueFolderPath), "/AK03");
    box->clearHostFrames();
    choose("ak03_fw_2.0.hex");
    EXPECT_TRUE(logged("Download success"));
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));

    // both images programmed, the second nested inside the first one's end event
    EXPECT_EQ(logic().containerKind(), 3);
    EXPECT_TRUE(called("setVisible(pUpdate, true)"));
    EXPECT_TRUE(logged("Firmware has been updated successfully"));
    EXPECT_TRUE(logged("Reseting..."));
    EXPECT_TRUE(logged("Completed"));
    EXPECT_FALSE(enabled(Control::updateButton));
    for (auto id : {sim::SampleImageId::ak03Target0, sim::SampleImageId::ak03Target1}) {
        const auto image = sim::sampleImage(id);
        const int target = id == sim::SampleImageId::ak03Target0 ? 0 : 1;
        EXPECT_EQ(box->memory(target, image.address, image.bytes.size()), image.bytes) << "target " << target;
    }
    // the container asked for both commands: with the dual bit, target 1's command goes first
    const auto commands = commandsSent();
    EXPECT_EQ(countOf(commands, 0x29), 1);
    EXPECT_EQ(countOf(commands, 0x09), 1);
    EXPECT_EQ(countOf(commands, 0x32), 1);
    EXPECT_EQ(countOf(commands, 0x12), 1);
    const auto at = [&](int command) { return std::find(commands.begin(), commands.end(), command); };
    EXPECT_LT(at(0x29), at(0x09));
    EXPECT_LT(at(0x09), at(0x32));
    EXPECT_LT(at(0x32), at(0x12));
    EXPECT_EQ(countOf(commands, 0x06) + countOf(commands, 0x26), 0);

    // disconnected, then found again with a fresh identity read and a second login
    EXPECT_FALSE(logic().deviceConnected());
    EXPECT_EQ(view.text(Control::productField), "");
    ASSERT_TRUE(reconnect());
    EXPECT_EQ(view.text(Control::productField), "AK03");
    EXPECT_GT(server.requestCount(), loginsBefore + 2);  // FILELIST x2, GETFILE, then AUTH again
    EXPECT_NE(server.lastDocument().find("type=\"AUTH\""), std::string::npos);
    EXPECT_TRUE(enabled(Control::updateButton));
}

TEST_F(RoadTest, IdentityShownAndProductSelected) {
    plugIn("good");
    connectTick();
    EXPECT_EQ(view.text(Control::productField), "AK02");
    EXPECT_EQ(view.text(Control::serialField), "00012345");
    EXPECT_EQ(view.text(Control::programmingDateField), "14-09-2010");
    EXPECT_EQ(view.text(Control::resellerField), "Arvex");
    EXPECT_EQ(view.text(Control::firmwareVersionField), "1.0");
    EXPECT_EQ(view.text(Control::hardwareVersionField), "1");
    EXPECT_EQ(view.selectedIndex(Control::productList), 2);
    EXPECT_TRUE(enabled(Control::factoryButton));
    EXPECT_TRUE(logged("Connected to device"));
    EXPECT_EQ(logic().serverClient().device.pid, "AK02");
    EXPECT_EQ(logic().serverClient().device.fwVersion, "1.0");

    // a later read refreshes the identity without a new login
    const std::size_t requests = server.requestCount();
    logic().onReadData();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(server.requestCount(), requests);
}

// With several boxes plugged in, the window works with the first and says once that the others are ignored.
TEST_F(RoadTest, OtherBoxesAreNamedAsIgnored) {
    plugIn("good,ak03");
    connectTick();
    EXPECT_EQ(view.text(Control::serialField), "00012345");
    EXPECT_TRUE(logged("1 other box is plugged in and ignored: this window works with sim:box0"));
    view.clearCalls();
    connectTick();  // still connected: nothing said again
    EXPECT_FALSE(logged("1 other box is plugged in and ignored: this window works with sim:box0"));
}

TEST_F(RoadTest, DamagedIdentity) {
    plugIn("damaged");
    connectTick();
    EXPECT_TRUE(logged("Warning: Device damaged, please contact with reseller"));
    EXPECT_EQ(view.text(Control::productField), "_FIX");
    EXPECT_EQ(view.selectedIndex(Control::productList), 10);
    EXPECT_FALSE(enabled(Control::factoryButton));
    EXPECT_EQ(logic().serverClient().device.pid, "_FIX");
    EXPECT_NE(server.lastDocument().find("pid=\"_FIX\""), std::string::npos);  // the login goes on
}

TEST_F(RoadTest, NoVersionsShowNotAvailable) {
    plugIn("noversions");
    connectTick();
    EXPECT_EQ(view.text(Control::firmwareVersionField), "N/A");
    EXPECT_EQ(view.text(Control::hardwareVersionField), "N/A");
    EXPECT_EQ(logic().serverClient().device.fwVersion, "");
}

TEST_F(RoadTest, AnUnreachableBoxLogsItsCauseInDebugMode) {
    plugIn("good");
    connectTick();
    const auto causeLines = [this] {
        int count = 0;
        for (const std::string& call : view.calls())
            if (call.rfind("appendLog(", 0) == 0 && call.find("cannot open") != std::string::npos) ++count;
        return count;
    };
    box->failOpens(hid::Access::read, true);
    logic().onReadData();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(causeLines(), 0);  // not in normal mode
    logic().log().setThreshold(kDebugLogThreshold);
    logic().onReadData();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(causeLines(), 1);  // under "Device not connected!"
    box->failOpens(hid::Access::read, false);
}

TEST_F(RoadTest, DebugModeSelectsNoProduct) {
    plugIn("good");
    logic().onDebugModeToggle();
    EXPECT_EQ(logic().log().threshold(), kDebugLogThreshold);
    EXPECT_EQ(view.checked(Control::debugModeEntry), true);
    connectTick();
    EXPECT_EQ(view.text(Control::productField), "AK02");
    EXPECT_EQ(logic().serverClient().device.pid, "AK02");
    EXPECT_EQ(view.selectedIndex(Control::productList), -1);
    EXPECT_FALSE(logged("Connected to device"));
    logic().onDebugModeToggle();
    EXPECT_EQ(logic().log().threshold(), kNormalLogThreshold);
    EXPECT_FALSE(logic().debugMode());
}

TEST_F(RoadTest, ReconnectRunsAFreshConnectionButNotDuringAnOperation) {
    plugIn("good");
    connectTick();
    const std::size_t requests = server.requestCount();

    box->setPaced(true);  // the identity read now takes a while
    logic().onReadData();
    ASSERT_TRUE(logic().operationRunning());
    view.clearCalls();
    logic().onReconnect();
    logic().onConnectTimer();
    EXPECT_FALSE(logged("Connecting to device..."));
    EXPECT_FALSE(called("setText(lConnected, Disconnected)"));
    ASSERT_TRUE(waitIdle());
    box->setPaced(false);

    logic().onReconnect();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(called("clearLog()"));
    EXPECT_TRUE(logged("Connecting to device..."));
    EXPECT_TRUE(called("setText(lConnected, Disconnected)"));
    EXPECT_EQ(view.text(Control::statusPanel), "Connected");
    EXPECT_EQ(server.requestCount(), requests + 1);  // logged in anew
    EXPECT_TRUE(enabled(Control::updateButton));
}

TEST_F(RoadTest, UnpluggedBoxDisconnectsAndReconnectSaysNotFound) {
    plugIn("good");
    connectTick();
    box->unplug();
    logic().onConnectTimer();
    EXPECT_EQ(view.colour(Control::statusPanel), kGrey);
    EXPECT_EQ(view.text(Control::serialField), "");
    EXPECT_FALSE(enabled(Control::updateButton));
    EXPECT_EQ(logic().serverClient().device.serial, "");
    logic().onReconnect();
    EXPECT_EQ(view.logLines().back(), "Device not found");
    logic().onReadData();
    EXPECT_EQ(view.logLines().back(), "Device not connected!");
}

TEST_F(RoadTest, StatusTimerDrivesTheLampAndTheBar) {
    plugIn("good");
    logic().onStatusTimer();
    EXPECT_EQ(view.interval(Control::statusTimer), 600);
    EXPECT_EQ(view.colour(Control::busyLamp), (Rgb{255, 255, 255}));
    box->setPaced(true);
    logic().onConnectTimer();
    ASSERT_TRUE(logic().operationRunning());
    logic().onStatusTimer();
    EXPECT_EQ(view.interval(Control::statusTimer), 100);
    EXPECT_EQ(view.colour(Control::busyLamp), (Rgb{255, 255, 255}));  // phase 0 -> 1: white
    logic().onStatusTimer();
    EXPECT_EQ(view.colour(Control::busyLamp), (Rgb{255, 0, 0}));
    ASSERT_TRUE(waitIdle());
}

TEST_F(RoadTest, EventsBeforeTheFirstOperationAreIgnored) {
    plugIn("good");
    window->bootLoader().postEvent(0, 3, 0, "Operation running", 0);
    EXPECT_FALSE(logged("Error (3): Operation running"));
    connectTick();
    logic().log().setDepth(1);
    window->bootLoader().postEvent(0, 3, 0, "Operation running", 0);
    EXPECT_TRUE(logged("  Error (3): Operation running"));
}

TEST_F(RoadTest, VirtualMode) {
    plugIn("good");
    connectTick();
    logic().onVirtualModeToggle();
    EXPECT_FALSE(logic().deviceConnected());
    EXPECT_EQ(view.checked(Control::virtualModeEntry), true);
    EXPECT_EQ(logic().serverClient().device.pid, "AK03");
    EXPECT_EQ(logic().serverClient().device.serial, "12345678");
    EXPECT_EQ(logic().serverClient().device.date, "14-09-2010");
    EXPECT_EQ(logic().serverClient().device.reseller, "Arvex");
    EXPECT_EQ(logic().serverClient().device.fwVersion, "1");
    EXPECT_EQ(view.text(Control::productField), "");  // the fields are not changed

    connectTick();  // the box's own identity replaces it
    EXPECT_EQ(logic().serverClient().device.pid, "AK02");

    logic().onVirtualModeToggle();  // a second time: disconnects and removes the tick
    EXPECT_EQ(view.checked(Control::virtualModeEntry), false);
    EXPECT_EQ(logic().serverClient().device.pid, "");  // emptied by the disconnect, not replaced

    logic().onVirtualAk02();  // "AK02": ticks, leaves the identity alone
    EXPECT_EQ(view.checked(Control::virtualModeEntry), true);
    EXPECT_EQ(logic().serverClient().device.pid, "");
    logic().onRealDevice();
    EXPECT_EQ(view.checked(Control::virtualModeEntry), false);
}

TEST_F(RoadTest, OperatorButtonGesture) {
    plugIn("good");
    logic().onOperatorButton();
    EXPECT_FALSE(called("popupMenu(pmOps)"));
    struct Press {
        bool right, ctrl;
    };
    for (Press press : {Press{false, true}, Press{true, false}, Press{false, false}}) {
        logic().onStatusCaptionGesture(press.right, press.ctrl);
        EXPECT_FALSE(visible(Control::operatorButton));
    }
    logic().onStatusCaptionGesture(true, true);
    EXPECT_TRUE(visible(Control::operatorButton));
    logic().onOperatorButton();
    EXPECT_TRUE(called("popupMenu(pmOps)"));
}

TEST_F(RoadTest, RequestPathsAndPlainTraffic) {
    plugIn("good");
    EXPECT_EQ(view.checked(Control::cryptEntry), true);
    struct Step {
        void (WindowLogic::*click)();
        const char* path;
        bool debug, crypt;
    };
    const Step steps[] = {
        {&WindowLogic::onServerDebugToggle, "/support/api_support.php?debugmode=1", true, true},
        {&WindowLogic::onCryptToggle, "/support/api_support.php?nocrypt=1&debugmode=1", true, false},
        {&WindowLogic::onServerDebugToggle, "/support/api_support.php?nocrypt=1", false, false},
        {&WindowLogic::onCryptToggle, "/support/api_support.php", false, true},
        {&WindowLogic::onCryptToggle, "/support/api_support.php?nocrypt=1", false, false},
    };
    for (const Step& step : steps) {
        (logic().*step.click)();
        EXPECT_EQ(logic().serverClient().endpoint.requestPath, step.path);
        EXPECT_EQ(view.checked(Control::serverDebugEntry).value_or(false), step.debug) << step.path;
        EXPECT_EQ(view.checked(Control::cryptEntry), step.crypt) << step.path;
        EXPECT_EQ(logic().serverClient().session.cryptEnabled, step.crypt);
    }
    connectTick();  // a plain login is accepted too
    // the URL is host, port, "/" and the path, so the request line carries a double slash
    EXPECT_EQ(server.lastRequest().target, "//support/api_support.php?nocrypt=1");
    EXPECT_TRUE(enabled(Control::updateButton));
}

TEST_F(RoadTest, UnreachableServer) {
    plugIn("good");
    server.stop();
    connectTick();
    EXPECT_TRUE(logged("Connecting to server..."));
    const auto lines = view.logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("Error connecting to server [", 0), 0u) << lines.back();
    EXPECT_FALSE(enabled(Control::updateButton));
}

}  // namespace
}  // namespace app::testing
