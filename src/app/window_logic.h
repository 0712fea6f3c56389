// The window logic of the updater: the device session, the programming flow, the operator menu and the
// server-facing dialogs, driving the window through app::View.
//
// Threads: the handlers run on the UI thread; the bootloader delivers its events on its worker thread, so
// the event reactions (the server login and the operations nested in them included) run there and reach the
// window through the View, which applies each change on the UI thread and returns once it is applied. The
// UI thread never waits for the worker: the timers and buttons only look at operationRunning() and leave the
// box alone while it is true. No lock is held across a View call.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/firmware_container.h"
#include "app/message_index.h"
#include "app/shell_events.h"
#include "app/view.h"
#include "server/server_client.h"

namespace bootloader {
class BootLoader;
}

namespace app {

// Pauses of the flows; tests shorten them.
struct LogicSettings {
    std::chrono::milliseconds afterProgramming{3000};  // before the connection is dropped
    std::chrono::milliseconds afterBlacklist{3000};    // the blocked look stays before the login returns
    std::chrono::milliseconds animationStep{5};        // progress animation at the end of programming
    std::chrono::milliseconds animationHold{100};
};

// Colours of the status panel and the busy lamp.
inline constexpr Rgb kDisconnectedColour{209, 209, 209};
inline constexpr Rgb kConnectedColour{140, 255, 140};
inline constexpr Rgb kBlockedColour{255, 176, 176};
inline constexpr Rgb kLampIdle{255, 255, 255};
inline constexpr Rgb kLampBusy{255, 0, 0};

// Results of programImageFile.
enum class ProgramImageResult : std::int32_t {
    started = 0,
    noPath = 17,
    openFailed = 18,
    noReader = 19,
    targetRefused = 20,
    hexFailed = 21,
    targetRefusedAfterLoad = 22,
    notStarted = 23,
    refused = 24,  // loaded, but it must not be programmed (no data for this box, records left behind)
};

// The bar positions of the animation at the end of programming: from, from + 5, ... while not above 100.
std::vector<int> progressAnimationSteps(int from);

class WindowLogic : public ShellEvents {
public:
    // Becomes the bootloader's event receiver. Destroy it only while no operation runs.
    WindowLogic(View& view, bootloader::BootLoader& bootLoader, LogicSettings settings = {});
    ~WindowLogic() override;
    WindowLogic(const WindowLogic&) = delete;
    WindowLogic& operator=(const WindowLogic&) = delete;

    // Start-up duties, run by the create handler (onWindowCreated) at their places in its order.
    void setServerDefaults(View& view) override;
    void setDisconnected(View& view) override;
    void configureBootloader(View& view) override;

    // A support server other than the configured one; applied with the server defaults at start-up.
    void setServerEndpoint(std::string host, std::int32_t port);

    // --- device session
    void setConnected(bool connected);
    [[nodiscard]] bool ensureDeviceOpen();
    bool operationRunning();
    void noteOtherBoxes();
    void readIdentity();
    void onBootLoaderEvent(std::int32_t kind, std::int32_t code, std::int32_t operation,
                           const std::string& text, std::int32_t extra);
    void showIdentity();
    void commonEventEnd();
    void onReconnect() override;
    void onConnectTimer() override;
    void onStatusTimer() override;

    // --- programming
    [[nodiscard]] ContainerResult programContainer(const std::string& text);
    // Starts the next image the container left pending; started when none is left.
    [[nodiscard]] ProgramImageResult programNextImage();
    ProgramImageResult programImageFile(int index, const std::string& path);
    void onLoadFirmware() override;
    void onFactorySettings() override;
    void onUpdatingOk() override;

    // --- operator menu
    void onStatusCaptionGesture(bool rightButton, bool ctrlHeld) override;
    void onOperatorButton() override;
    void onReadData() override {
        if (!downloadRunning_) readIdentity();
    }
    void onVirtualModeToggle() override;
    void onRealDevice() override;
    void onVirtualAk01() override { enterVirtualPreset(); }
    void onVirtualAk02() override { enterVirtualPreset(); }
    void onVirtualAk03() override { enterVirtualPreset(); }
    void onVirtualVira() override { enterVirtualPreset(); }
    void onServerDebugToggle() override;
    void onCryptToggle() override;
    void onEditableFieldsToggle() override {}
    void onSetFields() override {}
    void onDebugModeToggle() override;

    // --- server login, registration
    void loginToServer();
    void onSendRegistration() override;
    void onCancelRegistration() override;
    void onRegistrationDoneOk() override;
    void onRegistrationFaultOk() override;

    // --- firmware catalogue
    void onUpdate() override;
    void onFirmwareSelectionChange(bool selectionStateChanged) override;
    void onFirmwareDoubleClick() override;
    void onSelectFirmware() override;
    void onCancelFirmwareDialog() override;
    void clearFirmwareList();
    // The part of Update after the FILELIST exchange: the answer read into the list and the dialog shown.
    void showFileList(const std::string& answer);

    // --- state, for the window and for tests
    [[nodiscard]] bool deviceConnected() const { return deviceConnected_; }
    bool loginPending() const { return loginPending_; }
    [[nodiscard]] bool eventsEnabled() const { return eventsEnabled_; }
    bool debugMode() const { return debugMode_; }
    [[nodiscard]] std::uint8_t savedOptions() const { return savedOptions_; }
    std::int32_t pendingImages() const { return pendingImages_; }
    [[nodiscard]] std::int32_t containerKind() const { return containerKind_; }
    bool operatorButtonShown() const { return operatorButtonShown_; }
    [[nodiscard]] bool virtualMode() const { return virtualMode_; }
    bool serverDebugTicked() const { return serverDebugTicked_; }
    [[nodiscard]] bool cryptTicked() const { return cryptTicked_; }
    bool downloadRunning() const { return downloadRunning_; }
    // The records of the catalogue list's rows, in row order.
    std::size_t firmwareRowCount() const { return rows_.size(); }
    const server::FileInfo& firmwareRow(std::size_t row) const { return *rows_.at(row); }
    // This window's connection to the support server (used by one thread at a time, as the flows run).
    server::ServerClient& serverClient() { return server_; }

private:
    void setStatus(Rgb colour, const std::string& caption);
    void enterVirtualPreset();
    void completeProgramming();
    void animateProgressToEnd();
    void setFirmwareDialogBusy(bool busy);
    [[nodiscard]] int addFileToList(std::unique_ptr<server::FileInfo> entry);
    bool optionsUpdate(std::uint8_t set, std::uint8_t clear);
    void restoreSavedOptions();
    // An operation runs, or a download does (its progress handlers run the message loop).
    [[nodiscard]] bool boxBusy();
    // Writes the last failure's line again after the log has been cleared, until another operation starts.
    void keepFailureLine();
    // Adds the bits and keeps the result as the options restored after a failed operation.
    void addAndSaveOptions(std::uint8_t bits);
    // Connects or disconnects the window as the box comes and goes; whether the box is there.
    bool followDevice();  // whether the box is present; the connect timer only follows it
    // Writes at debug level why the box could not be reached, when the session knows.
    void logBoxFailure();

    View& view_;
    bootloader::BootLoader& boot_;
    LogicSettings settings_;
    server::ServerClient server_;  // endpoint, session values, the box's and the user's records

    // Shared by the UI thread and the worker; each written by one thread at a time.
    std::atomic<bool> deviceConnected_{false};
    std::atomic<bool> loginPending_{false};
    std::atomic<bool> eventsEnabled_{false};
    std::atomic<bool> debugMode_{false};
    std::atomic<std::uint8_t> savedOptions_{0};
    std::atomic<std::int32_t> pendingImages_{0};
    std::atomic<std::int32_t> containerKind_{0};
    std::atomic<int> progressHold_{0};  // the progress bar's tag
    std::atomic<int> lampPhase_{0};     // the busy lamp's tag
    std::atomic<int> progressPosition_{0};
    std::atomic<bool> failureToKeep_{false};

    // UI thread only.
    bool operatorButtonShown_ = false;
    bool virtualMode_ = false;
    bool serverDebugTicked_ = false;
    bool cryptTicked_ = true;
    bool debugModeTicked_ = false;
    bool downloadRunning_ = false;
    std::optional<std::pair<std::string, std::int32_t>> endpoint_;
    int progressMaximum_ = 100;
    std::vector<std::unique_ptr<server::FileInfo>> rows_;  // one record per row of firmwareList
};

}  // namespace app
