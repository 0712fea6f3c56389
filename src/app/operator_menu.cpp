// The operator menu: the gesture that reveals ">", the virtual identity, the server switches and debug mode.
#include "app/log.h"
#include "app/request_path.h"
#include "app/window_logic.h"
#include "server/documents.h"

namespace app {
namespace {

server::DeviceInfo virtualIdentity() {
    return {"AK03", std::to_string(12345678), "14-09-2010", "Arvex", "1"};
}

}  // namespace

void WindowLogic::onStatusCaptionGesture(bool rightButton, bool ctrlHeld) {
    if (!rightButton || !ctrlHeld) return;
    operatorButtonShown_ = true;
    view_.setVisible(Control::operatorButton, true);
}

// The button is only reachable once the gesture revealed it; its click opens the operator menu.
void WindowLogic::onOperatorButton() {
    if (operatorButtonShown_) view_.popupMenu(Control::operatorPopup);
}

void WindowLogic::onVirtualModeToggle() {
    setConnected(false);
    virtualMode_ = !virtualMode_;
    view_.setChecked(Control::virtualModeEntry, virtualMode_);
    if (virtualMode_) server_.device = virtualIdentity();
}

void WindowLogic::onRealDevice() {
    setConnected(false);
    virtualMode_ = false;
    view_.setChecked(Control::virtualModeEntry, false);
}

void WindowLogic::enterVirtualPreset() {
    setConnected(false);
    virtualMode_ = true;
    view_.setChecked(Control::virtualModeEntry, true);
}

void WindowLogic::onServerDebugToggle() {
    serverDebugTicked_ = !serverDebugTicked_;
    view_.setChecked(Control::serverDebugEntry, serverDebugTicked_);
    server_.endpoint.requestPath = requestPathFor(serverDebugTicked_, server_.session.cryptEnabled);
}

void WindowLogic::onCryptToggle() {
    cryptTicked_ = !cryptTicked_;
    view_.setChecked(Control::cryptEntry, cryptTicked_);
    server_.session.cryptEnabled = cryptTicked_;
    // Recompute the path without changing the "Debug" tick: toggle it and let its handler toggle it back.
    serverDebugTicked_ = !serverDebugTicked_;
    onServerDebugToggle();
}

void WindowLogic::onDebugModeToggle() {
    debugModeTicked_ = !debugModeTicked_;
    view_.setChecked(Control::debugModeEntry, debugModeTicked_);
    log_.setThreshold(debugModeTicked_ ? kDebugLogThreshold : kNormalLogThreshold);
    debugMode_ = debugModeTicked_;
}

}  // namespace app
