// The login of an identified box: one AUTH exchange and the reaction to its answer. Runs on the worker
// thread inside the identity read's end event.
#include <thread>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/window_logic.h"
#include "base/result.h"
#include "server/documents.h"
#include "server/transport.h"

namespace app {

void WindowLogic::loginToServer() {
    log_.line(3, "Connecting to server...", 0, 0);
    std::string answer;
    const server::RequestResult result = server_.requestSimple(server::kRequestAuth, answer, nullptr, true);
    if (result != server::RequestResult::ok) {
        log_.line(1, "Error connecting to server", base::code(result), 0);
        return;
    }
    switch (server_.parseAuthAnswer(answer)) {
        case server::AuthAnswer::ko:
            log_.line(3, "Connected to server\r\n", 0, 0);
            panels_.show(Control::registrationDialog, Control::mainPanel);
            break;
        case server::AuthAnswer::ok:
            log_.line(3, "Connected to server\r\nPress the Update button for update the device", 0, 0);
            view_.setEnabled(Control::updateButton, true);
            break;
        case server::AuthAnswer::blacklist:
            if (!server_.session.blacklisted) break;
            view_.setEnabled(Control::mainPanel, false);
            view_.setEnabled(Control::reconnectButton, false);
            setStatus(kBlockedColour, "Device blocked");
            log_.line(1, "ERROR: Device blocked, contact reseller", 0, 0);
            std::this_thread::sleep_for(settings_.afterBlacklist);
            break;
        default:
            break;
    }
}

}  // namespace app
