// The operator menu: the gesture that reveals ">", the virtual identity, the server switches and debug mode.
#include "app/log.h"
#include "app/request_path.h"
#include "app/window_logic.h"
#include "server/documents.h"

namespace app {
namespace {

ArvexClient::DeviceInfo virtualIdentity() {
    return {"AK03", std::to_string(12345678), "14-09-2010", "Arvex", "1"};
}

}  // namespace

void WindowLogic::Panel8MouseDown(bool rightButton, bool ctrlHeld) {
    if (!rightButton || !ctrlHeld) return;
    operatorButtonShown_ = true;
    view_.setVisible(Control::btOps, true);
}

// The button is only reachable once the gesture revealed it; its click opens the operator menu.
void WindowLogic::btOpsClick() {
    if (operatorButtonShown_) view_.popupMenu(Control::pmOps);
}

void WindowLogic::ckVirtualDeviceModeClick() {
    setConnected(false);
    virtualMode_ = !virtualMode_;
    view_.setChecked(Control::ckVirtualDeviceMode, virtualMode_);
    if (virtualMode_) server_.device = virtualIdentity();
}

void WindowLogic::Real1Click() {
    setConnected(false);
    virtualMode_ = false;
    view_.setChecked(Control::ckVirtualDeviceMode, false);
}

void WindowLogic::enterVirtualPreset() {
    setConnected(false);
    virtualMode_ = true;
    view_.setChecked(Control::ckVirtualDeviceMode, true);
}

void WindowLogic::Debug1Click() {
    serverDebugTicked_ = !serverDebugTicked_;
    view_.setChecked(Control::Debug1, serverDebugTicked_);
    server_.endpoint.requestPath = requestPathFor(serverDebugTicked_, server_.session.cryptEnabled);
}

void WindowLogic::ckCrypt1Click() {
    cryptTicked_ = !cryptTicked_;
    view_.setChecked(Control::ckCrypt1, cryptTicked_);
    server_.session.cryptEnabled = cryptTicked_;
    // Recompute the path without changing the "Debug" tick: toggle it and let its handler toggle it back.
    serverDebugTicked_ = !serverDebugTicked_;
    Debug1Click();
}

void WindowLogic::Mododebug1Click() {
    debugModeTicked_ = !debugModeTicked_;
    view_.setChecked(Control::Mododebug1, debugModeTicked_);
    log_.setThreshold(debugModeTicked_ ? kDebugLogThreshold : kNormalLogThreshold);
    debugMode_ = debugModeTicked_;
}

}  // namespace app
