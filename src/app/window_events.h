// Every handler of the main window, by its layout name. The Qt window forwards each button, menu entry,
// list event and timer tick here and knows nothing else of the window logic. Every handler does nothing
// unless a derived class gives it a body; ShellEvents gives the start-up and log pane handlers theirs.
#pragma once

namespace app {

class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    // create handler, run once after the window is built
    virtual void onWindowCreated() {}

    // main panel
    virtual void onReconnect() {}
    virtual void onUpdate() {}
    virtual void onFactorySettings() {}
    virtual void onOperatorButton() {}
    virtual void onStatusCaptionGesture(bool /*rightButton*/, bool /*ctrlHeld*/) {}
    virtual void onProductChosen(int /*index*/) {}

    // timers
    virtual void onConnectTimer() {}
    virtual void onStatusTimer() {}

    // log pane context menu pmLog
    virtual void onSaveLog() {}
    virtual void onClearLog() {}

    // operator menu operatorPopup
    virtual void onReadData() {}
    virtual void onLoadFirmware() {}
    virtual void onVirtualModeToggle() {}
    virtual void onRealDevice() {}
    virtual void onVirtualAk01() {}
    virtual void onVirtualAk02() {}
    virtual void onVirtualAk03() {}
    virtual void onVirtualVira() {}
    virtual void onServerDebugToggle() {}
    virtual void onCryptToggle() {}
    virtual void onEditableFieldsToggle() {}
    virtual void onSetFields() {}
    virtual void onDebugModeToggle() {}

    // "Updating firmware" panel: its "Ok" button and close box (both disabled)
    virtual void onUpdatingOk() {}

    // registration panels
    virtual void onSendRegistration() {}
    virtual void onCancelRegistration() {}   // "Cancel" and the close box of registrationDialog
    virtual void onRegistrationDoneOk() {}   // "Ok" and the close box of registrationDoneDialog
    virtual void onRegistrationFaultOk() {}  // "Ok" and the close box of registrationFaultDialog

    // firmware catalogue panel
    virtual void onFirmwareSelectionChange(bool /*selectionStateChanged*/) {}
    virtual void onFirmwareDoubleClick() {}
    virtual void onSelectFirmware() {}
    virtual void onCancelFirmwareDialog() {}  // "Cancel" and the close box of firmwareDialog
};

}  // namespace app
