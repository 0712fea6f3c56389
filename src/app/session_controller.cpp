// The device session: polling for the box, the connected and disconnected states, the identity read and
// the reactions to the bootloader's events.
#include <cstring>

#include "app/dialog_panels.h"
#include "app/identity_check.h"
#include "app/image_check.h"
#include "app/log.h"
#include "app/window_logic.h"
#include "arvex/config.h"
#include "bootloader/session.h"
#include "catalogue/messages.h"
#include "catalogue/products.h"
#include "hid/discovery.h"
#include "server/documents.h"

namespace app {
namespace {

using bootloader::kEventEndsFault;
using bootloader::kEventEndsOk;
using bootloader::kEventError;
using bootloader::kEventOperation;
using bootloader::kEventStarts;
using bootloader::kOpProgram;
using bootloader::kOpReadIdentity;
using bootloader::kOptionDual;
using bootloader::kOptionWorkerThread;

}  // namespace

WindowLogic::WindowLogic(View& view, bootloader::BootLoader& bootLoader, LogicSettings settings)
    : ShellEvents(view),
      view_(view),
      boot_(bootLoader),
      settings_(settings),
      server_([this](std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth) {
          log().line(level, text, code, depth);
      }) {
    boot_.setEventCallback(
        [this](std::int32_t kind, std::int32_t code, std::int32_t operation, const std::string& text,
               std::int32_t extra) { onBootLoaderEvent(kind, code, operation, text, extra); });
}

WindowLogic::~WindowLogic() {
    boot_.setEventCallback({});
}

void WindowLogic::setServerEndpoint(std::string host, std::int32_t port) {
    endpoint_.emplace(std::move(host), port);
}

void WindowLogic::setServerDefaults(View&) {
    server_.setDefaults();
    if (endpoint_) {
        server_.endpoint.host = endpoint_->first;
        server_.endpoint.hostHeader = endpoint_->first;
        server_.endpoint.port = endpoint_->second;
    }
    server_.session.cryptEnabled = true;
    cryptTicked_ = true;
    serverDebugTicked_ = false;
    view_.setChecked(Control::cryptEntry, true);
}

void WindowLogic::setDisconnected(View&) {
    setConnected(false);
}

void WindowLogic::configureBootloader(View&) {
    addAndSaveOptions(kOptionWorkerThread | kOptionDual);
    // Set before the first operation starts, so never refused.
    (void)boot_.setIdentityKey(arvex::config::kIdentityKey.data(), arvex::config::kIdentityKey.size());
    (void)boot_.setSecondaryKey(arvex::config::kSecondaryKey.data(), arvex::config::kSecondaryKey.size());
}

void WindowLogic::setStatus(Rgb colour, const std::string& caption) {
    view_.setColor(Control::statusPanel, colour);
    view_.setText(Control::statusPanel, caption);
}

bool WindowLogic::optionsUpdate(std::uint8_t set, std::uint8_t clear) {
    std::uint8_t options = 0;
    if (boot_.getOptions(&options) != bootloader::AccessResult::ok) return false;
    options = static_cast<std::uint8_t>((options | set) & ~clear);
    return boot_.setOptions(&options) == bootloader::AccessResult::ok;
}

void WindowLogic::addAndSaveOptions(std::uint8_t bits) {
    // Called before any operation runs, so neither access is refused; the saved value is what the window
    // wants.
    std::uint8_t options = 0;
    (void)boot_.getOptions(&options);
    options |= bits;
    (void)boot_.setOptions(&options);
    savedOptions_ = options;
}

bool WindowLogic::ensureDeviceOpen() {
    if (!boot_.isDevicePresent()) (void)boot_.connect();  // refused only while an operation runs; asked next
    return boot_.isDevicePresent();
}

bool WindowLogic::operationRunning() {
    return boot_.isWorkerRunning();
}

void WindowLogic::setConnected(bool connected) {
    if (connected) {
        if (deviceConnected_) return;
        deviceConnected_ = true;
        view_.setSelectedIndex(Control::productList, -1);
        setStatus(kConnectedColour, catalogue::getMessage(kMsgConnected));
        loginPending_ = true;
        readIdentity();
        return;
    }
    if (!deviceConnected_) return;
    deviceConnected_ = false;
    view_.setSelectedIndex(Control::productList, -1);
    log_.selectProduct(-1, false);
    keepFailureLine();
    panels_.show(std::nullopt, std::nullopt);
    view_.setEnabled(Control::mainPanel, true);
    for (Control field :
         {Control::productField, Control::serialField, Control::programmingDateField, Control::resellerField,
          Control::firmwareVersionField, Control::hardwareVersionField})
        view_.setText(field, "");
    server_.device = {};
    (void)boot_.clearIdentity();  // refused while an operation runs: it still needs the buffers
    view_.setEnabled(Control::productList, false);
    view_.setEnabled(Control::updateButton, false);
    view_.setEnabled(Control::factoryButton, false);
    view_.setEnabled(Control::connectTimer, true);
    setStatus(kDisconnectedColour, catalogue::getMessage(kMsgDisconnected));
}

bool WindowLogic::boxBusy() {
    return downloadRunning_ || operationRunning();
}

void WindowLogic::restoreSavedOptions() {
    std::uint8_t options = savedOptions_;
    (void)boot_.setOptions(&options);  // called from an end event, where the accessors are not refused
}

void WindowLogic::keepFailureLine() {
    if (failureToKeep_) log_.line(3, catalogue::getMessage(kMsgOperationFailed), 0, 0);
}

void WindowLogic::onReconnect() {
    if (boxBusy()) return;
    failureToKeep_ = false;  // the operator asks for a fresh start
    setConnected(false);
    view_.clearLog();
    server_.session.authenticated = false;
    server_.session.blacklisted = false;
    view_.setEnabled(Control::updateButton, false);
    view_.setEnabled(Control::factoryButton, false);
    log_.line(3, "Connecting to device...", 0, 0);
    if (!followDevice()) log_.line(3, "Device not found", 0, 0);
}

void WindowLogic::onConnectTimer() {
    // A download's progress handlers run the message loop: no login or operation may start meanwhile.
    if (boxBusy()) return;
    followDevice();
}

bool WindowLogic::followDevice() {
    const bool present = ensureDeviceOpen();
    if (!present)
        setConnected(false);
    else if (!deviceConnected_)
        setConnected(true);
    return present;
}

// The window works with one box, the first one found; a workshop with several plugged in is told so once
// per connection (arvex-cli --all updates them all).
void WindowLogic::noteOtherBoxes() {
    int boxes = 0;
    for (const hid::DeviceInterface& candidate : boot_.discovery().backend().enumerate())
        if (hid::matchesBox(candidate.hardwareId)) ++boxes;
    if (boxes > 1)
        log_.line(1,
                  std::to_string(boxes - 1) + (boxes == 2 ? " other box is" : " other boxes are") +
                      " plugged in and ignored: this window works with " + boot_.devicePath(),
                  0, 0);
}

void WindowLogic::readIdentity() {
    eventsEnabled_ = true;
    if (ensureDeviceOpen()) {
        optionsUpdate(0, kOptionDual);
        // The box is not busy (ensureDeviceOpen found it present); the outcome arrives as events.
        (void)boot_.selectTarget(0);
        (void)boot_.startOperation(kOpReadIdentity);
    } else {
        view_.setEnabled(Control::connectTimer, true);
        log_.line(1, catalogue::getMessage(kMsgDeviceNotConnected), 0, 0);
        logBoxFailure();
    }
}

void WindowLogic::logBoxFailure() {
    // For debug mode: "cannot open /dev/hidraw3: Permission denied", "no box found (USB ...)".
    if (const base::Status failure = boot_.lastFailure(); !failure.ok())
        log_.line(kCauseLogLevel, failure.cause(), 0, log_.depth());
}

void WindowLogic::onStatusTimer() {
    if (operationRunning()) {
        view_.setTimerInterval(Control::statusTimer, 100);
        const int phase = lampPhase_ == 0 ? 1 : 0;
        lampPhase_ = phase;
        view_.setColor(Control::busyLamp, phase == 1 ? kLampIdle : kLampBusy);
        const int progress = boot_.getProgress();
        if (progressHold_ == 0) {
            progressPosition_ = progress;
            view_.setProgress(progress);
        }
    } else {
        view_.setTimerInterval(Control::statusTimer, 600);
        view_.setColor(Control::busyLamp, kLampIdle);
    }
}

void WindowLogic::onBootLoaderEvent(std::int32_t kind, std::int32_t code, std::int32_t operation,
                                    const std::string& text, std::int32_t /*extra*/) {
    if (!eventsEnabled_) return;
    if (kind == kEventError) {
        log_.line(1, "Error (" + std::to_string(static_cast<std::uint32_t>(code)) + "): " + text, 0,
                  log_.depth());
        return;
    }
    if (kind != kEventOperation) return;
    switch (code) {
        case kEventStarts:
            if (operation != kOpReadIdentity) failureToKeep_ = false;
            if (operation == kOpProgram) panels_.show(Control::updatingDialog, Control::mainPanel);
            break;
        case kEventEndsOk:
            if (operation == kOpReadIdentity)
                showIdentity();
            else if (operation == kOpProgram)
                completeProgramming();
            commonEventEnd();
            break;
        case kEventEndsFault: {
            log_.line(3, catalogue::getMessage(kMsgOperationFailed), 0, log_.depth());
            logBoxFailure();
            commonEventEnd();
            restoreSavedOptions();
            if (operation == kOpProgram) {
                panels_.close(Control::updatingDialog);
                pendingImages_ = 0;  // the other image of a failed container is never programmed later
            }
            // The disconnect that usually follows clears the log: this line is all the operator has.
            failureToKeep_ = true;
            break;
        }
        default:
            break;
    }
}

void WindowLogic::commonEventEnd() {
    if (log_.depth() > 0) log_.setDepth(log_.depth() - 1);
    view_.setVisible(Control::progressBar, false);
    progressPosition_ = 0;
    view_.setProgress(0);
}

void WindowLogic::showIdentity() {
    // Runs in the identity read's end event, where the accessors are not refused; a refused read would
    // leave the record empty, which the check below shows as an unknown box.
    (void)boot_.selectTarget(0);
    bootloader::BootLoaderField record;
    (void)boot_.getField(0x100, &record);
    const CheckedIdentity id = checkIdentity({record.reference, record.serial, record.date, record.reseller,
                                              record.firmwareVersion, record.hardwareVersion});

    view_.setText(Control::productField, id.reference);
    view_.setText(Control::resellerField, id.reseller);
    view_.setText(Control::programmingDateField, id.date);
    view_.setText(Control::firmwareVersionField, id.shownFirmwareVersion);
    view_.setText(Control::hardwareVersionField, id.shownHardwareVersion);
    view_.setText(Control::serialField, id.serial);
    server_.device = {id.reference, id.serial, id.date, id.reseller, id.firmwareVersion};

    if (!debugMode_) {
        if (auto index = catalogue::findProductByReference(server_.device.pid)) {
            view_.setEnabled(Control::productList, false);
            view_.setSelectedIndex(Control::productList, *index);
            log_.selectProduct(*index, false);
            keepFailureLine();
        }
    }
    // After the product lookup, whose product text clears the log: written before it, the warning would be
    // gone before the operator could read it.
    if (id.damaged) log_.line(1, "Warning: Device damaged, please contact with reseller", 0, 0);
    if (!debugMode_) log_.line(3, catalogue::getMessage(kMsgConnectedToDevice), 0, log_.depth());
    noteOtherBoxes();
    if (loginPending_) {
        loginToServer();
        loginPending_ = false;
    }
    view_.setEnabled(Control::factoryButton, beginsWithFactoryReference(server_.device.pid));
}

}  // namespace app
