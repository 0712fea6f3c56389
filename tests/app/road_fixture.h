// The window logic over a recording view, with a simulated box and the stand-in support server on
// loopback. The timers are driven by calling their handlers; waits for the worker are bounded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/updater_window.h"
#include "bootloader/session.h"
#include "bootloader/settings.h"
#include "recording_view.h"
#include "server/documents.h"
#include "sim/box/presets.h"
#include "sim/server/support_server.h"
#include "support/temp_dir.h"
#include "support/updater_state.h"

namespace app::testing {

class RoadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start(0)); }

    void TearDown() override {
        EXPECT_TRUE(waitIdle());
        window.reset();
        server.stop();
    }

    // Builds the window logic with the box of the preset plugged in and runs the create handler.
    void plugIn(const std::string& preset) {
        box = sim::makePresetBox(preset);
        if (box == nullptr) {
            ADD_FAILURE() << "no simulated box preset " << preset;
            box = sim::makePresetBox("");
        }
        box->setResetOffBusMs(20);
        UpdaterSetup setup;
        setup.backend = box;
        setup.server = ServerEndpoint{"127.0.0.1", server.port()};
        setup.settings = testsupport::fastLogicSettings();
        window = buildUpdaterWindow(view, setup);
        logic().onWindowCreated();
        // tests run in parallel processes: each keeps its image files to itself
        logic().keepTempImagePaths({images.file("temp1.bin"), images.file("temp2.bin")});
    }

    WindowLogic& logic() { return window->logic(); }

    bool waitIdle(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        if (!window) return true;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (logic().operationRunning()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // One tick of the connect timer, then the wait for what it started (identity read and login).
    void connectTick() {
        logic().onConnectTimer();
        ASSERT_TRUE(waitIdle());
    }

    // Connect timer ticks until the window is connected again (the box comes back after a reset).
    bool reconnect() {
        for (int tick = 0; tick < 200 && !logic().deviceConnected(); ++tick) {
            logic().onConnectTimer();
            if (!waitIdle()) return false;
            if (!logic().deviceConnected()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return logic().deviceConnected();
    }

    // Whether a log entry with exactly this text was appended since the start (clearing or not).
    bool logged(const std::string& entry) const {
        const auto calls = view.calls();
        return std::find(calls.begin(), calls.end(), "appendLog(" + entry + ")") != calls.end();
    }
    bool called(const std::string& call) const {
        const auto calls = view.calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    bool enabled(Control control) const { return view.enabled(control).value_or(false); }
    bool visible(Control control) const { return view.visible(control).value_or(false); }

    // The row of firmwareList with this caption, selected as the operator would, then the action button.
    void choose(const std::string& caption) {
        const auto rows = view.rows();
        const auto found =
            std::find_if(rows.begin(), rows.end(), [&](const ListRow& r) { return r.caption == caption; });
        ASSERT_NE(found, rows.end()) << caption;
        view.selectRow(static_cast<int>(found - rows.begin()));
        logic().onFirmwareSelectionChange(true);
        logic().onSelectFirmware();
    }

    // Commands the box received, as their command bytes, in order.
    std::vector<int> commandsSent() const {
        std::vector<int> commands;
        for (const auto& frame : box->hostFrames()) commands.push_back(frame[1]);
        return commands;
    }

    testsupport::TempDir images;
    sim::SupportServer server;
    RecordingView view;
    std::shared_ptr<sim::SimBackend> box;
    std::unique_ptr<UpdaterWindow> window;
};

}  // namespace app::testing
