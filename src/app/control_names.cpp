#include "app/control_names.h"

namespace app {

const char* controlName(Control control) {
    switch (control) {
        case Control::mainPanel:
            return "gPanel";
        case Control::productList:
            return "lbProducts";
        case Control::reconnectButton:
            return "btConnect";
        case Control::operatorButton:
            return "btOps";
        case Control::updateButton:
            return "btUpdate";
        case Control::factoryButton:
            return "btFactory";
        case Control::productField:
            return "textBox_PID1";
        case Control::serialField:
            return "textBox_Serial1";
        case Control::programmingDateField:
            return "textBox_Date1";
        case Control::resellerField:
            return "textBox_Reseller1";
        case Control::hardwareVersionField:
            return "textBox_hwversion";
        case Control::firmwareVersionField:
            return "textBox_fwversion";
        case Control::statusPanel:
            return "lConnected";
        case Control::busyLamp:
            return "sBussy";
        case Control::progressBar:
            return "ProgressBar";
        case Control::firmwareDialog:
            return "pFirmUpdate";
        case Control::registrationDialog:
            return "pReg";
        case Control::registrationDoneDialog:
            return "pRegOK";
        case Control::registrationFaultDialog:
            return "pRegFault";
        case Control::updatingDialog:
            return "pUpdate";
        case Control::catalogueFolderPath:
            return "txBrowserPath";
        case Control::firmwareList:
            return "lvListFW";
        case Control::selectFirmwareButton:
            return "btSelectFirmware";
        case Control::registrationName:
            return "edRegName";
        case Control::registrationEmail:
            return "edRegeMail";
        case Control::registrationPassword:
            return "edRegPassword";
        case Control::countryList:
            return "cbCountries";
        case Control::registrationDoneText:
            return "mmRegOkMsg";
        case Control::registrationFaultText:
            return "mmRegFaultMsg";
        case Control::readDataEntry:
            return "Read1";
        case Control::loadFirmwareEntry:
            return "Loadfirmware1";
        case Control::virtualModeEntry:
            return "ckVirtualDeviceMode";
        case Control::serverDebugEntry:
            return "Debug1";
        case Control::cryptEntry:
            return "ckCrypt1";
        case Control::editableFieldsEntry:
            return "ckEditFields";
        case Control::debugModeEntry:
            return "Mododebug1";
        case Control::connectTimer:
            return "tmConnect";
        case Control::statusTimer:
            return "tmUpdateStatus";
        case Control::firmwareCancelButton:
            return "Button3";
        case Control::firmwareDialogTitle:
            return "Panel12";
        case Control::operatorPopup:
            return "pmOps";
        case Control::versionCaption:
            return "lbVersion";
    }
    return "?";
}

}  // namespace app
