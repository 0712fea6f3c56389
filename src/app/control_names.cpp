#include "app/control_names.h"

namespace app {

const char* controlName(Control control) {
    switch (control) {
        case Control::gPanel:
            return "gPanel";
        case Control::lbProducts:
            return "lbProducts";
        case Control::btConnect:
            return "btConnect";
        case Control::btOps:
            return "btOps";
        case Control::btUpdate:
            return "btUpdate";
        case Control::btFactory:
            return "btFactory";
        case Control::textBox_PID1:
            return "textBox_PID1";
        case Control::textBox_Serial1:
            return "textBox_Serial1";
        case Control::textBox_Date1:
            return "textBox_Date1";
        case Control::textBox_Reseller1:
            return "textBox_Reseller1";
        case Control::textBox_hwversion:
            return "textBox_hwversion";
        case Control::textBox_fwversion:
            return "textBox_fwversion";
        case Control::lConnected:
            return "lConnected";
        case Control::sBussy:
            return "sBussy";
        case Control::ProgressBar:
            return "ProgressBar";
        case Control::pFirmUpdate:
            return "pFirmUpdate";
        case Control::pReg:
            return "pReg";
        case Control::pRegOK:
            return "pRegOK";
        case Control::pRegFault:
            return "pRegFault";
        case Control::pUpdate:
            return "pUpdate";
        case Control::txBrowserPath:
            return "txBrowserPath";
        case Control::lvListFW:
            return "lvListFW";
        case Control::btSelectFirmware:
            return "btSelectFirmware";
        case Control::edRegName:
            return "edRegName";
        case Control::edRegeMail:
            return "edRegeMail";
        case Control::edRegPassword:
            return "edRegPassword";
        case Control::cbCountries:
            return "cbCountries";
        case Control::mmRegOkMsg:
            return "mmRegOkMsg";
        case Control::mmRegFaultMsg:
            return "mmRegFaultMsg";
        case Control::Read1:
            return "Read1";
        case Control::Loadfirmware1:
            return "Loadfirmware1";
        case Control::ckVirtualDeviceMode:
            return "ckVirtualDeviceMode";
        case Control::Debug1:
            return "Debug1";
        case Control::ckCrypt1:
            return "ckCrypt1";
        case Control::ckEditFields:
            return "ckEditFields";
        case Control::Mododebug1:
            return "Mododebug1";
        case Control::tmConnect:
            return "tmConnect";
        case Control::tmUpdateStatus:
            return "tmUpdateStatus";
        case Control::Button3:
            return "Button3";
        case Control::Panel12:
            return "Panel12";
        case Control::pmOps:
            return "pmOps";
        case Control::lbVersion:
            return "lbVersion";
    }
    return "?";
}

}  // namespace app
