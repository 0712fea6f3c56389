// The whole window logic over one View: the bootloader session, the window logic that receives its events
// and routes every window handler, and the choice of HID backend and support server.
//
// The Qt window (and the console road) build one of these once, forward every handler to events() and run
// events().onWindowCreated() after the window exists; the create handler then starts everything up.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/view.h"
#include "app/window_events.h"
#include "app/window_logic.h"
#include "bootloader/settings.h"

namespace hid {
class Backend;
}
namespace bootloader {
class BootLoader;
}

namespace app {

struct ServerEndpoint {
    std::string host;  // also the Host header of the hand-built download
    std::int32_t port = 80;
};

struct UpdaterSetup {
    std::shared_ptr<hid::Backend> backend;  // null: the machine's real HID link
    std::string devicePath;                 // empty: the first box found; else only the box at this path
    bootloader::TransferSettings transfer;  // the box's time-outs
    std::optional<ServerEndpoint> server;   // none: the configured support host
    LogicSettings settings;
};

class UpdaterWindow {
public:
    UpdaterWindow(View& view, UpdaterSetup setup);
    ~UpdaterWindow();  // only while no operation runs
    UpdaterWindow(const UpdaterWindow&) = delete;
    UpdaterWindow& operator=(const UpdaterWindow&) = delete;

    WindowEvents& events() { return *logic_; }
    WindowLogic& logic() { return *logic_; }
    bootloader::BootLoader& bootLoader() { return *bootLoader_; }

private:
    std::unique_ptr<bootloader::BootLoader> bootLoader_;
    std::unique_ptr<WindowLogic> logic_;
};

// Chooses the backend, constructs the session and the window logic; the create handler is not run yet.
std::unique_ptr<UpdaterWindow> buildUpdaterWindow(View& view, UpdaterSetup setup = {});

}  // namespace app
