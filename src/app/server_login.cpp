// The login of an identified box: one AUTH exchange and the reaction to its answer. Runs on the worker
// thread inside the identity read's end event.
#include <thread>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/window_logic.h"
#include "server/documents.h"
#include "server/transport.h"

namespace app {

void WindowLogic::loginToServer() {
    log_.line(3, "Connecting to server...", 0, 0);
    std::string answer;
    const int code = server_.requestSimple(ArvexClient::kRequestAuth, answer, nullptr, true);
    if (code != 0) {
        log_.line(1, "Error connecting to server", code, 0);
        return;
    }
    switch (server_.parseAuthAnswer(answer)) {
        case ArvexClient::kAuthKo:
            log_.line(3, "Connected to server\r\n", 0, 0);
            panels_.show(Control::pReg, Control::gPanel);
            break;
        case ArvexClient::kAuthOk:
            log_.line(3, "Connected to server\r\nPress the Update button for update the device", 0, 0);
            view_.setEnabled(Control::btUpdate, true);
            break;
        case ArvexClient::kAuthBlacklist:
            if (!server_.session.blacklisted) break;
            view_.setEnabled(Control::gPanel, false);
            view_.setEnabled(Control::btConnect, false);
            setStatus(kBlockedColour, "Device blocked");
            log_.line(1, "ERROR: Device blocked, contact reseller", 0, 0);
            std::this_thread::sleep_for(settings_.afterBlacklist);
            break;
        default:
            break;
    }
}

}  // namespace app
