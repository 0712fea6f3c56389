// Every handler of the main window, by its layout name. The Qt window forwards each button, menu entry,
// list event and timer tick here and knows nothing else of the window logic. Every handler does nothing
// unless a derived class gives it a body; ShellEvents gives the start-up and log pane handlers theirs.
#pragma once

namespace app {

class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    // create handler, run once after the window is built
    virtual void ActiveFormCreate() {}

    // main panel
    virtual void btConnectClick() {}
    virtual void btUpdateClick() {}
    virtual void btFactoryClick() {}
    virtual void btOpsClick() {}
    virtual void Panel8MouseDown(bool /*rightButton*/, bool /*ctrlHeld*/) {}
    virtual void lbProductsClick(int /*index*/) {}

    // timers
    virtual void tmConnectTimer() {}
    virtual void tmUpdateStatusTimer() {}

    // log pane context menu pmLog
    virtual void pmiSaveLogClick() {}
    virtual void Clear1Click() {}

    // operator menu pmOps
    virtual void Read1Click() {}
    virtual void Loadfirmware1Click() {}
    virtual void ckVirtualDeviceModeClick() {}
    virtual void Real1Click() {}
    virtual void Blacklist1Click() {}
    virtual void OK1Click() {}
    virtual void Error1Click() {}
    virtual void Otro1Click() {}
    virtual void Debug1Click() {}
    virtual void ckCrypt1Click() {}
    virtual void ckEditFieldsClick() {}
    virtual void Establecer1Click() {}
    virtual void Mododebug1Click() {}

    // "Updating firmware" panel: its "Ok" button and close box (both disabled)
    virtual void btUpdateOK() {}

    // registration panels
    virtual void btSendRegClick() {}
    virtual void btRegCancelClick() {}   // "Cancel" and the close box of pReg
    virtual void btRegOKOKClick() {}     // "Ok" and the close box of pRegOK
    virtual void btRegFaultOKClick() {}  // "Ok" and the close box of pRegFault

    // firmware catalogue panel
    virtual void lvListFWChange(bool /*selectionStateChanged*/) {}
    virtual void lvListFWDblClick() {}
    virtual void btSelectFirmwareClick() {}
    virtual void btFirmUpdateCancelClick() {}  // "Cancel" and the close box of pFirmUpdate
};

}  // namespace app
