#include "app/updater_window.h"

#include "bootloader/session.h"

namespace app {

UpdaterWindow::UpdaterWindow(View& view, UpdaterSetup setup) {
    bootLoader_ = std::make_unique<bootloader::BootLoader>(setup.backend, bootloader::EventCallback{},
                                                           setup.devicePath);
    bootLoader_->transferSettings() = setup.transfer;
    logic_ = std::make_unique<WindowLogic>(view, *bootLoader_, setup.settings);
    if (setup.server) logic_->setServerEndpoint(setup.server->host, setup.server->port);
}

UpdaterWindow::~UpdaterWindow() {
    logic_.reset();
    bootLoader_.reset();
}

std::unique_ptr<UpdaterWindow> buildUpdaterWindow(View& view, UpdaterSetup setup) {
    return std::make_unique<UpdaterWindow>(view, std::move(setup));
}

}  // namespace app
