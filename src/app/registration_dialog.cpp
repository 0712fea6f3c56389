// The registration dialog of a box the server does not know, and its two result dialogs.
#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/window_logic.h"
#include "catalogue/countries.h"
#include "catalogue/messages.h"
#include "catalogue/validators.h"
#include "server/documents.h"
#include "server/transport.h"

namespace app {
namespace {

void showFault(View& view, const std::string& text) {
    if (!text.empty()) view.setText(Control::mmRegFaultMsg, text);
    showDialogPanel(Control::pRegFault, Control::gPanel);
}

}  // namespace

void WindowLogic::btSendRegClick() {
    const std::string name = view_.text(Control::edRegName);
    const std::string mail = view_.text(Control::edRegeMail);
    const std::string password = view_.text(Control::edRegPassword);
    const int country = view_.selectedIndex(Control::cbCountries);
    const bool valid = Global::checkText(name, 1, 64) && Global::checkEmail(mail) &&
                       Global::checkText(password, 1, 64) && country >= 0 && country < Global::countryCount;
    if (!valid) {
        closeDialogPanel(Control::pReg);
        showFault(view_, Global::getMessage(kMsgInvalidData));
        return;
    }
    server_.user = {name, mail, password, Global::countryCodes[static_cast<std::size_t>(country)]};

    std::string answer;
    const int code = server_.requestSimple(ArvexClient::kRequestRegister, answer, nullptr, true);
    if (code != 0) {
        logLine(1, "Error connecting to server", code, 0);
        return;
    }
    const int status = server_.parseAuthAnswer(answer);
    closeDialogPanel(Control::pReg);
    switch (status) {
        case ArvexClient::kRegisterOk:
            view_.setText(Control::mmRegOkMsg, Global::getMessage(kMsgRegistered));
            showDialogPanel(Control::pRegOK, Control::gPanel);
            view_.setEnabled(Control::btUpdate, true);
            break;
        case ArvexClient::kRegisterError:
            showFault(view_, "");  // the text of the previous refusal stays
            break;
        case ArvexClient::kRegisterAlready:
            showFault(view_, Global::getMessage(kMsgAlreadyRegistered));
            break;
        default:
            showFault(view_, Global::getMessage(kMsgInvalidData));
            break;
    }
}

void WindowLogic::btRegCancelClick() {
    closeDialogPanel(Control::pReg);
}

void WindowLogic::btRegOKOKClick() {
    closeDialogPanel(Control::pRegOK);
}

void WindowLogic::btRegFaultOKClick() {
    closeDialogPanel(Control::pRegFault);
    showDialogPanel(Control::pReg, Control::gPanel);
}

}  // namespace app
