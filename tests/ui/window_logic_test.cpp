// The Qt window wired to the window logic, over the simulated box and the stand-in support server on
// loopback: the operator gesture and menu, the ticks, the registration form, the demo's box panel and
// the whole road with its worker-thread hand-over.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <array>
#include <chrono>
#include <memory>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/updater_window.h"
#include "sim/box/presets.h"
#include "sim/box/sim_backend.h"
#include "sim/server/sample_catalogue.h"
#include "sim/server/support_server.h"
#include "support/temp_dir.h"
#include "support/updater_state.h"
#include "ui/demo_box_panel.h"
#include "ui/main_window.h"

namespace {

using app::Control;

constexpr int kWaitMs = 20000;  // upper bound of every wait; the steps take milliseconds

class WiredWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start(0)); }

    void TearDown() override {
        if (updater) window->stop([&] { return updater->logic().operationRunning(); });
        updater.reset();
        window.reset();
        server.stop();
    }

    // The window wired to the logic with the preset's box plugged in; the connect timer runs fast.
    void open(const std::string& preset, sim::BoxConfig (*layout)(sim::BoxConfig) = nullptr) {
        box = sim::makePresetBox(preset, layout);
        ASSERT_NE(box, nullptr) << preset;
        box->setResetOffBusMs(20);
        app::UpdaterSetup setup;
        setup.backend = box;
        setup.server = app::ServerEndpoint{"127.0.0.1", server.port()};
        setup.settings = testsupport::fastLogicSettings();
        window = std::make_unique<ui::MainWindow>();
        updater = app::buildUpdaterWindow(*window, setup);
        window->start(updater->events());
        logic().keepTempImagePaths({images.file("temp1.bin"), images.file("temp2.bin")});
        window->setTimerInterval(Control::connectTimer, 10);
        window->show();
    }

    app::WindowLogic& logic() { return updater->logic(); }
    template <typename T = QWidget>
    T* find(const char* name) {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool shown(const char* name) { return find(name)->isVisibleTo(window.get()); }
    bool loggedIn() {
        return !logic().operationRunning() && logic().deviceConnected() && !logic().loginPending();
    }
    bool logHas(const char* text) { return find<QPlainTextEdit>("Log")->toPlainText().contains(text); }

    // The catalogue row whose caption is `caption`, selected with the mouse, then the action button.
    void choose(const QString& caption) {
        auto* list = find<QTableWidget>("lvListFW");
        const QList<QTableWidgetItem*> found = list->findItems(caption, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << caption.toStdString();
        const QRect cell = list->visualItemRect(found.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseClick(find<QPushButton>("btSelectFirmware"), Qt::LeftButton);
    }

    testsupport::TempDir images;
    sim::SupportServer server;
    std::shared_ptr<sim::SimBackend> box;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<app::UpdaterWindow> updater;
};

TEST_F(WiredWindowTest, CtrlRightClickOnStatusRevealsTheOperatorButtonWhichPopsTheMenu) {
    open("unplugged");
    QWidget* status = find("Panel8");
    QWidget* ops = find("btOps");
    struct Case {
        Qt::MouseButton button;
        Qt::KeyboardModifiers keys;
        bool reveals;
    } cases[] = {
        {Qt::RightButton, {}, false},
        {Qt::LeftButton, Qt::ControlModifier, false},
        {Qt::RightButton, Qt::ShiftModifier, false},
        {Qt::RightButton, Qt::ControlModifier, true},
    };
    for (const Case& c : cases) {
        QTest::mouseClick(status, c.button, c.keys);
        EXPECT_EQ(ops->isVisible(), c.reveals) << c.button << " " << c.keys;
    }
    QMenu* menu = window->operatorMenu();
    EXPECT_FALSE(menu->isVisible());
    QTest::mouseClick(ops, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, kWaitMs));
    menu->close();
}

TEST_F(WiredWindowTest, MenuTicksFollowTheLogic) {
    open("unplugged");
    struct Case {
        Control entry;
        bool tickedAtStart;
        std::function<bool(app::WindowLogic&)> state;
    } cases[] = {
        {Control::cryptEntry, true, [](app::WindowLogic& l) { return l.cryptTicked(); }},
        {Control::serverDebugEntry, false, [](app::WindowLogic& l) { return l.serverDebugTicked(); }},
        {Control::debugModeEntry, false, [](app::WindowLogic& l) { return l.debugMode(); }},
        {Control::virtualModeEntry, false, [](app::WindowLogic& l) { return l.virtualMode(); }},
    };
    for (const Case& c : cases) {
        QAction* entry = window->action(c.entry);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->isChecked(), c.tickedAtStart) << entry->text().toStdString();
        for (bool expected : {!c.tickedAtStart, c.tickedAtStart}) {
            entry->trigger();
            EXPECT_EQ(entry->isChecked(), expected) << entry->text().toStdString();
            EXPECT_EQ(c.state(logic()), expected) << entry->text().toStdString();
        }
    }
    // A virtual identity ticks "Virtual mode"; "Real" clears it.
    find<QAction>("OK1")->trigger();
    EXPECT_TRUE(window->action(Control::virtualModeEntry)->isChecked());
    find<QAction>("Real1")->trigger();
    EXPECT_FALSE(window->action(Control::virtualModeEntry)->isChecked());
}

TEST_F(WiredWindowTest, RegistrationFormRefusesInvalidDataThenRegisters) {
    open("unregistered");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown("pReg") && loggedIn(); }, kWaitMs));
    auto* countries = find<QComboBox>("cbCountries");
    EXPECT_EQ(countries->count(), 246);
    EXPECT_EQ(countries->currentIndex(), -1);
    EXPECT_FALSE(find("gPanel")->isEnabled());

    QTest::keyClicks(find("edRegName"), "Jane Example");
    QTest::keyClicks(find("edRegeMail"), "jane.example.com");  // no "@"
    QTest::keyClicks(find("edRegPassword"), "secret");
    countries->setCurrentIndex(countries->findText("Spain"));
    QTest::mouseClick(find<QPushButton>("btSendReg"), Qt::LeftButton);
    EXPECT_FALSE(shown("pReg"));
    ASSERT_TRUE(shown("pRegFault"));
    EXPECT_EQ(find<QPlainTextEdit>("mmRegFaultMsg")->toPlainText(),
              "Error, invalid data.\nPlease try again.");
    EXPECT_FALSE(server.isRegistered("00077777"));

    // "Ok" brings the form back as it was; the corrected address registers the box.
    QTest::mouseClick(find<QPushButton>("Button4"), Qt::LeftButton);
    ASSERT_TRUE(shown("pReg"));
    EXPECT_EQ(find<QLineEdit>("edRegName")->text(), "Jane Example");
    auto* mail = find<QLineEdit>("edRegeMail");
    mail->clear();
    QTest::keyClicks(mail, "jane@example.com");
    QTest::mouseClick(find<QPushButton>("btSendReg"), Qt::LeftButton);
    ASSERT_TRUE(shown("pRegOK"));
    EXPECT_EQ(find<QPlainTextEdit>("mmRegOkMsg")->toPlainText(), "Product successfully registered.");
    EXPECT_TRUE(server.isRegistered("00077777"));
    QTest::mouseClick(find<QPushButton>("btRegOKOK"), Qt::LeftButton);
    EXPECT_TRUE(find("gPanel")->isEnabled());
    EXPECT_TRUE(find("btUpdate")->isEnabled());
}

TEST_F(WiredWindowTest, DemoBoxPanelUnplugsABlockedBox) {
    open("blocked");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return find<QLabel>("lConnected")->text() == "Device blocked" && loggedIn(); }, kWaitMs));
    EXPECT_FALSE(find("gPanel")->isEnabled());
    EXPECT_FALSE(find("btConnect")->isEnabled());

    ui::DemoBoxPanel panel(*box, "blocked", server.port());
    auto* plug = panel.findChild<QPushButton*>("btPlug");
    ASSERT_NE(plug, nullptr);
    EXPECT_EQ(plug->text(), "Unplug the box");
    QTest::mouseClick(plug, Qt::LeftButton);
    EXPECT_EQ(plug->text(), "Plug the box in");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return find<QLabel>("lConnected")->text() == "Disconnected"; }, kWaitMs));
    EXPECT_TRUE(find("gPanel")->isEnabled());
    EXPECT_FALSE(find("btConnect")->isEnabled());
}

// A second box plugged in beside the first: the window stays with the first and never talks to the other.
TEST_F(WiredWindowTest, DemoBoxPanelPlugsASecondBoxAndTheWindowKeepsTheFirst) {
    open("good");
    ASSERT_TRUE(QTest::qWaitFor([&] { return loggedIn() && find("btUpdate")->isEnabled(); }, kWaitMs));
    ui::DemoBoxPanel panel(*box, "good", server.port());
    auto* second = panel.findChild<QPushButton*>("btSecondBox");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), "Plug a second box");
    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_FALSE(second->isEnabled());
    ASSERT_EQ(box->enumerate().size(), 2u);
    EXPECT_TRUE(box->isPresent(1));
    QTest::qWait(1500);  // several turns of the connect timer
    EXPECT_EQ(find<QLabel>("lConnected")->text(), "Connected");
    EXPECT_TRUE(find("btUpdate")->isEnabled());
    EXPECT_TRUE(box->hostFrames(1).empty());
}

TEST_F(WiredWindowTest, TheWholeRoadThroughTheWindow) {
    open("good");
    ASSERT_TRUE(QTest::qWaitFor([&] { return loggedIn() && find("btUpdate")->isEnabled(); }, kWaitMs));
    EXPECT_EQ(find<QLineEdit>("textBox_PID1")->text(), "AK02");
    EXPECT_EQ(find<QLineEdit>("textBox_hwversion")->text(), "1");
    EXPECT_EQ(find<QLabel>("lConnected")->text(), "Connected");

    QTest::mouseClick(find<QPushButton>("btUpdate"), Qt::LeftButton);
    ASSERT_TRUE(shown("pFirmUpdate"));
    choose("AK02");
    choose("ak02_fw_1.3.hex");
    EXPECT_FALSE(shown("pFirmUpdate"));
    // The worker shows the "Updating firmware" panel and the bar while it writes; then reset and reconnect.
    bool panelSeen = false;
    bool barSeen = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            panelSeen = panelSeen || shown("pUpdate");
            barSeen = barSeen || find("ProgressBar")->isVisible();
            return box->counts(0).reset > 0 && loggedIn() && find("btUpdate")->isEnabled();
        },
        kWaitMs));
    EXPECT_TRUE(panelSeen);
    EXPECT_TRUE(barSeen);
    EXPECT_FALSE(shown("pUpdate"));
    EXPECT_TRUE(logHas("Press the Update button for update the device"));
    const sim::SampleImage image = sim::sampleImage(sim::SampleImageId::ak02Current);
    EXPECT_EQ(box->memory(0, image.address, image.bytes.size()), image.bytes);
}

// What each of the demo's presets shows once start-up has settled: the status caption, the six identity
// fields (product, serial, date, reseller, hardware and firmware version) and the damaged-box warning.
TEST_F(WiredWindowTest, EveryPresetShowsItsStateAfterStartUp) {
    struct Case {
        const char* preset;
        const char* caption;
        std::array<const char*, 6> fields;
        bool warning;
    } cases[] = {
        {"good", "Connected", {"AK02", "00012345", "14-09-2010", "Arvex", "1", "1.0"}, false},
        {"good56", "Connected", {"AK02", "00012345", "14-09-2010", "Arvex", "1", "1.0"}, false},
        {"slowerase", "Connected", {"AK02", "00012345", "14-09-2010", "Arvex", "1", "1.0"}, false},
        {"ak03", "Connected", {"AK03", "00023456", "14-09-2010", "Arvex", "1", "1.0"}, false},
        {"unregistered", "Connected", {"AK02", "00077777", "14-09-2010", "Arvex", "1", "1.0"}, false},
        {"blocked", "Device blocked", {"AK03", "00066666", "14-09-2010", "Arvex", "1", "1.0"}, false},
        {"damaged", "Connected", {"_FIX", "00045678", "14-09-2010", "N/A", "N/A", "N/A"}, true},
        {"noversions", "Connected", {"AK02", "00034567", "14-09-2010", "Arvex", "N/A", "N/A"}, false},
        {"erased", "Connected", {"_FIX", "4294967295", "FF-FF-FFFF", "N/A", "N/A", "N/A"}, true},
        {"unplugged", "Disconnected", {"", "", "", "", "", ""}, false},
    };
    static const char* const kFields[] = {"textBox_PID1",      "textBox_Serial1",   "textBox_Date1",
                                          "textBox_Reseller1", "textBox_hwversion", "textBox_fwversion"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        open(c.preset);
        const bool plugged = std::string(c.preset) != "unplugged";
        ASSERT_TRUE(QTest::qWaitFor([&] { return plugged ? loggedIn() : true; }, kWaitMs));
        if (!plugged) QTest::qWait(100);  // a few connect ticks that find no box
        EXPECT_EQ(find<QLabel>("lConnected")->text().toStdString(), c.caption);
        for (std::size_t k = 0; k < std::size(kFields); ++k)
            EXPECT_EQ(find<QLineEdit>(kFields[k])->text().toStdString(), c.fields[k]) << kFields[k];
        EXPECT_EQ(logHas("Warning: Device damaged, please contact with reseller"), c.warning);
        window->stop([&] { return logic().operationRunning(); });
        updater.reset();
        window.reset();
    }
}

// The demo's box reports its information area as a region of its own: the update writes the image's
// firmware block, and the identity read after the reset shows the new version.
TEST_F(WiredWindowTest, TheUpdateShowsTheNewFirmwareVersion) {
    open("good", sim::withInformationAreaRegion);
    ASSERT_TRUE(QTest::qWaitFor([&] { return loggedIn() && find("btUpdate")->isEnabled(); }, kWaitMs));
    EXPECT_EQ(find<QLineEdit>("textBox_fwversion")->text(), "1.0");
    QTest::mouseClick(find<QPushButton>("btUpdate"), Qt::LeftButton);
    choose("AK02");
    choose("ak02_fw_1.3.hex");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return box->counts(0).reset > 0 && loggedIn() && find("btUpdate")->isEnabled(); }, kWaitMs));
    EXPECT_EQ(find<QLineEdit>("textBox_fwversion")->text(), "1.3");
    const sim::SampleImage image = sim::sampleImage(sim::SampleImageId::ak02Current);
    EXPECT_EQ(box->memory(0, 0x1D07C000, 16), image.firmwareBlock);
    EXPECT_EQ(box->memory(0, image.address, image.bytes.size()), image.bytes);
}

// Closing the window while the box is written must neither hang nor cut the run short: the window stays
// alive, hidden, applying the worker's changes until the operation is over.
TEST_F(WiredWindowTest, StoppingTheWindowDuringProgrammingLetsTheRunFinish) {
    open("good");
    ASSERT_TRUE(QTest::qWaitFor([&] { return loggedIn() && find("btUpdate")->isEnabled(); }, kWaitMs));
    QTest::mouseClick(find<QPushButton>("btUpdate"), Qt::LeftButton);
    choose("AK02");
    choose("ak02_fw_1.3.hex");
    ASSERT_TRUE(logic().operationRunning());
    window->close();
    window->stop([&] { return logic().operationRunning(); });
    EXPECT_FALSE(logic().operationRunning());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(box->counts(0).reset, 1);
    const sim::SampleImage image = sim::sampleImage(sim::SampleImageId::ak02Current);
    EXPECT_EQ(box->memory(0, image.address, image.bytes.size()), image.bytes);
}

}  // namespace
