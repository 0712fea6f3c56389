// The programming flow: a firmware container split into its images, each image programmed into its target
// (the second one nested on the worker thread), then the requested commands, the pause and the disconnect.
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>

#include "app/dialog_panels.h"
#include "app/firmware_container.h"
#include "app/identity_check.h"
#include "app/image_check.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/window_logic.h"
#include "bootloader/hex_loader.h"
#include "bootloader/line_reader.h"
#include "bootloader/session.h"
#include "catalogue/messages.h"
#include "server/documents.h"

namespace app {
namespace {

using bootloader::kOpEraseUserData;
using bootloader::kOpEraseUserDataIfRequested;
using bootloader::kOpProgram;
using bootloader::kOpResetIfRequested;
using bootloader::kOptionDual;
using bootloader::kOptionFinishCommand;

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The one line for a loaded image that must not be programmed, its cause at debug level. True: refused.
// Reader errors keep the specified "Error reading firmware", with the reader's result as code when asked.
bool refuseImage(Log& log, const bootloader::HexLoadReport& report, bool localFile, bool withCode) {
    const auto cause = bootloader::imageRefusal(report, localFile);
    if (report.code != bootloader::HexResult::loaded) {
        log.line(1, catalogue::getMessage(kMsgErrorReadingFirmware), withCode ? base::code(report.code) : 0,
                 0);
    } else if (const auto line = imageRefusalLine(report, localFile)) {
        log.line(1, *line, 0, 0);
    } else {
        return false;
    }
    if (cause) log.line(kCauseLogLevel, *cause, 0, 0);
    return true;
}

// A path that is not a regular readable file (a folder opens as an empty text) gets the line of a file
// that cannot be opened. True: refused.
bool refusePath(Log& log, const std::string& path) {
    const auto refusal = bootloader::imageFileRefusal(path);
    if (!refusal) return false;
    log.line(1, catalogue::getMessage(kMsgErrorOpeningFile), 0, 0);
    log.line(kCauseLogLevel, path + ": " + *refusal, 0, 0);
    return true;
}

}  // namespace

ContainerResult WindowLogic::programContainer(const std::string& text) {
    pendingImages_ = 0;
    containerKind_ = 0;
    const SplitContainer split = splitContainer(text);
    if (split.result == ContainerResult::tooShort || split.result == ContainerResult::badKind)
        return split.result;
    boot_.resetRequested = split.resetRequested ? 1 : 0;
    boot_.eraseUserDataRequested = split.eraseUserDataRequested ? 1 : 0;
    if (split.result == ContainerResult::noMarkers) log_.line(1, "Error, data not found", 0, 0);
    if (split.result != ContainerResult::split) return split.result;

    // An image file that cannot be written must not leave an older image behind to be programmed.
    for (int index : {0, 1}) {
        const auto& image = index == 0 ? split.imageA : split.imageB;
        if (!image) continue;
        if (!writeFile(tempImagePaths_[index], *image)) {
            std::remove(tempImagePaths_[index].c_str());
            log_.line(1, catalogue::getMessage(kMsgErrorCreatingFile), 0, 0);
            return ContainerResult::noMemory;
        }
    }
    // Every image of the container is checked before the first one is started: programming image A and then
    // refusing image B would leave the box half updated.
    for (const auto* image : {&split.imageA, &split.imageB})
        if (*image && refuseImage(log_, dryLoad(boot_.memoryMap(), **image), false, true))
            return ContainerResult::split;
    const std::int32_t kind = split.kind();
    pendingImages_ = kind;
    containerKind_ = kind;
    // An image that cannot be started takes the rest of its container with it: a later programming must
    // never write the other half of this container.
    if (kind > 0 && programNextImage() != ProgramImageResult::started) pendingImages_ = 0;
    return ContainerResult::split;
}

ProgramImageResult WindowLogic::programNextImage() {
    const std::int32_t pending = pendingImages_;
    const std::int32_t next = (pending & kImageA) != 0 ? kImageA : pending & kImageB;
    if (next == 0) return ProgramImageResult::started;
    pendingImages_ = pending & ~next;
    const int index = next == kImageA ? 0 : 1;
    return programImageFile(index, tempImagePaths_[index]);
}

ProgramImageResult WindowLogic::programImageFile(int index, const std::string& path) {
    if (index == 0 || index == 1)
        optionsUpdate(0, kOptionDual | kOptionFinishCommand);
    else
        optionsUpdate(kOptionDual, kOptionFinishCommand);
    if (path.empty()) {
        log_.line(1, catalogue::getMessage(kMsgErrorOpeningFile), 0, 0);
        return ProgramImageResult::noPath;
    }
    if (refusePath(log_, path)) return ProgramImageResult::openFailed;
    bootloader::HexLoadReport loaded;
    {
        bootloader::FileLineReader reader(path);
        if (!reader.isOpen()) {
            log_.line(1, catalogue::getMessage(kMsgErrorOpeningFile), 0, 0);
            return ProgramImageResult::openFailed;
        }
        if (boot_.selectTarget(index) != bootloader::AccessResult::ok) {
            log_.line(1, "Error: Firmware u[]", 0, 0);
            return ProgramImageResult::targetRefused;
        }
        loaded = bootloader::loadHexImageWithReport(boot_, reader);
    }
    if (refuseImage(log_, loaded, false, true))
        return loaded.code != bootloader::HexResult::loaded ? ProgramImageResult::hexFailed
                                                            : ProgramImageResult::refused;
    eventsEnabled_ = true;
    if (boot_.selectTarget(index) != bootloader::AccessResult::ok) {
        log_.line(1, "Error: Firmware u[]", 0, 0);
        return ProgramImageResult::targetRefusedAfterLoad;
    }
    // Run at once inside an end event, the nested programming's own fault counts as not started.
    if (!boot_.startOperation(kOpProgram).ok()) {
        log_.line(1, catalogue::getMessage(kMsgErrorReadingFirmware), 0, 0);
        return ProgramImageResult::notStarted;
    }
    view_.setVisible(Control::progressBar, true);
    return ProgramImageResult::started;
}

// Runs inside the end event of operation 5, on the worker thread.
void WindowLogic::completeProgramming() {
    if (pendingImages_ != 0) {
        log_.setDepth(log_.depth() + 1);
        if (programNextImage() != ProgramImageResult::started) {
            log_.line(1, "Error programming [Dual] ", 0, 0);
            // Nothing runs any more: the window must not stay locked behind "do not disconnect".
            pendingImages_ = 0;
            restoreSavedOptions();
            panels_.close(Control::updatingDialog);
        }
        return;
    }
    animateProgressToEnd();
    panels_.close(Control::updatingDialog);
    log_.line(3, "Firmware has been updated successfully", 0, 0);
    view_.setEnabled(Control::updateButton, false);
    log_.line(1, "Reseting...", 0, 0);

    const std::int32_t kind = containerKind_;
    if (kind == kBothImages) {
        optionsUpdate(kOptionDual, 0);
    } else {
        optionsUpdate(0, kOptionDual);
        // In the end event the accessors are not refused, and both commands run at once, each posting its
        // own events.
        if (kind == kNoImage || kind == kImageA) (void)boot_.selectTarget(0);
        if (kind == kImageB) (void)boot_.selectTarget(1);
    }
    (void)boot_.startOperation(kOpEraseUserDataIfRequested);
    (void)boot_.startOperation(kOpResetIfRequested);
    std::this_thread::sleep_for(settings_.afterProgramming);
    setConnected(false);
    log_.line(1, "Completed", 0, 0);
}

std::vector<int> progressAnimationSteps(int from) {
    std::vector<int> steps;
    for (int value = from; value <= 100; value += 5) steps.push_back(value);
    return steps;
}

void WindowLogic::animateProgressToEnd() {
    progressHold_ = 1;
    for (int value : progressAnimationSteps(progressPosition_)) {
        progressPosition_ = value;
        view_.setProgress(value);
        view_.refresh();
        std::this_thread::sleep_for(settings_.animationStep);
    }
    std::this_thread::sleep_for(settings_.animationHold);
    progressHold_ = 0;
}

void WindowLogic::onLoadFirmware() {
    // Loading now would overwrite the image buffers that a running programming is sending.
    if (boxBusy()) return;
    if (!ensureDeviceOpen()) {
        log_.line(1, catalogue::getMessage(kMsgDeviceNotConnected), 0, 0);
        logBoxFailure();
        view_.setEnabled(Control::connectTimer, true);
        return;
    }
    const auto chosen = view_.askOpenFile("Hex files (*.hex)|*.hex|All files (*.*)|*.*");
    if (!chosen) return;
    if (chosen->empty()) {
        log_.line(1, catalogue::getMessage(kMsgErrorOpeningFile), 0, 0);
        return;
    }
    if (refusePath(log_, *chosen)) return;
    bootloader::HexLoadReport loaded;
    {
        bootloader::FileLineReader reader(*chosen);
        if (!reader.isOpen()) {
            log_.line(1, catalogue::getMessage(kMsgErrorOpeningFile), 0, 0);
            return;
        }
        (void)boot_.selectTarget(0);  // the box is not busy (checked above)
        loaded = bootloader::loadHexImageWithReport(boot_, reader);
    }
    if (refuseImage(log_, loaded, true, false)) return;
    eventsEnabled_ = true;
    (void)boot_.selectTarget(0);
    (void)boot_.startOperation(kOpProgram);  // the outcome arrives as events
    view_.setVisible(Control::progressBar, true);
}

void WindowLogic::onFactorySettings() {
    if (boxBusy()) return;
    if (beginsWithFactoryReference(server_.device.pid)) {
        optionsUpdate(kOptionDual, 0);
    } else {
        optionsUpdate(0, kOptionDual);
        (void)boot_.selectTarget(0);  // the box is not busy (checked above)
    }
    (void)boot_.startOperation(kOpEraseUserData);  // the outcome arrives as events
}

void WindowLogic::onUpdatingOk() {
    panels_.close(Control::updatingDialog);
}

}  // namespace app
