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

void showFault(View& view, DialogPanels& panels, const std::string& text) {
    if (!text.empty()) view.setText(Control::mmRegFaultMsg, text);
    panels.show(Control::pRegFault, Control::gPanel);
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
        panels_.close(Control::pReg);
        showFault(view_, panels_, Global::getMessage(kMsgInvalidData));
        return;
    }
    server_.user = {name, mail, password, Global::countryCodes[static_cast<std::size_t>(country)]};

    std::string answer;
    const int code = server_.requestSimple(ArvexClient::kRequestRegister, answer, nullptr, true);
    if (code != 0) {
        log_.line(1, "Error connecting to server", code, 0);
        return;
    }
    const int status = server_.parseAuthAnswer(answer);
    panels_.close(Control::pReg);
    switch (status) {
        case ArvexClient::kRegisterOk:
            view_.setText(Control::mmRegOkMsg, Global::getMessage(kMsgRegistered));
            panels_.show(Control::pRegOK, Control::gPanel);
            view_.setEnabled(Control::btUpdate, true);
            break;
        case ArvexClient::kRegisterError:
            showFault(view_, panels_, "");  // the text of the previous refusal stays
            break;
        case ArvexClient::kRegisterAlready:
            showFault(view_, panels_, Global::getMessage(kMsgAlreadyRegistered));
            break;
        default:
            showFault(view_, panels_, Global::getMessage(kMsgInvalidData));
            break;
    }
}

void WindowLogic::btRegCancelClick() {
    panels_.close(Control::pReg);
}

void WindowLogic::btRegOKOKClick() {
    panels_.close(Control::pRegOK);
}

void WindowLogic::btRegFaultOKClick() {
    panels_.close(Control::pRegFault);
    panels_.show(Control::pReg, Control::gPanel);
}

}  // namespace app
