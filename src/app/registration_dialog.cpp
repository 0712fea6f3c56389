// The registration dialog of a box the server does not know, and its two result dialogs.
#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/window_logic.h"
#include "base/result.h"
#include "catalogue/countries.h"
#include "catalogue/messages.h"
#include "catalogue/validators.h"
#include "server/documents.h"
#include "server/transport.h"

namespace app {
namespace {

void showFault(View& view, DialogPanels& panels, const std::string& text) {
    if (!text.empty()) view.setText(Control::registrationFaultText, text);
    panels.show(Control::registrationFaultDialog, Control::mainPanel);
}

}  // namespace

void WindowLogic::onSendRegistration() {
    const std::string name = view_.text(Control::registrationName);
    const std::string mail = view_.text(Control::registrationEmail);
    const std::string password = view_.text(Control::registrationPassword);
    const int country = view_.selectedIndex(Control::countryList);
    const bool valid = catalogue::checkText(name, 1, 64) && catalogue::checkEmail(mail) &&
                       catalogue::checkText(password, 1, 64) && country >= 0 &&
                       country < catalogue::countryCount;
    if (!valid) {
        panels_.close(Control::registrationDialog);
        showFault(view_, panels_, catalogue::getMessage(kMsgInvalidData));
        return;
    }
    server_.user = {name, mail, password, catalogue::countryCodes[static_cast<std::size_t>(country)]};

    std::string answer;
    const server::RequestResult result =
        server_.requestSimple(server::kRequestRegister, answer, nullptr, true);
    if (result != server::RequestResult::ok) {
        log_.line(1, "Error connecting to server", base::code(result), 0);
        return;
    }
    const server::AuthAnswer status = server_.parseAuthAnswer(answer);
    panels_.close(Control::registrationDialog);
    switch (status) {
        case server::AuthAnswer::registerOk:
            view_.setText(Control::registrationDoneText, catalogue::getMessage(kMsgRegistered));
            panels_.show(Control::registrationDoneDialog, Control::mainPanel);
            view_.setEnabled(Control::updateButton, true);
            break;
        case server::AuthAnswer::registerError:
            showFault(view_, panels_, "");  // the text of the previous refusal stays
            break;
        case server::AuthAnswer::registerAlready:
            showFault(view_, panels_, catalogue::getMessage(kMsgAlreadyRegistered));
            break;
        default:
            showFault(view_, panels_, catalogue::getMessage(kMsgInvalidData));
            break;
    }
}

void WindowLogic::onCancelRegistration() {
    panels_.close(Control::registrationDialog);
}

void WindowLogic::onRegistrationDoneOk() {
    panels_.close(Control::registrationDoneDialog);
}

void WindowLogic::onRegistrationFaultOk() {
    panels_.close(Control::registrationFaultDialog);
    panels_.show(Control::registrationDialog, Control::mainPanel);
}

}  // namespace app
