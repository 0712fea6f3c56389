// The firmware catalogue dialog: folders, links and files the server offers for the box, and the download
// of the chosen file (a ".hex" container goes straight to the programming flow).
#include <algorithm>
#include <charconv>
#include <limits>

#include "app/dialog_panels.h"
#include "app/download_outcome.h"
#include "app/firmware_container.h"
#include "app/log.h"
#include "app/save_name.h"
#include "app/window_logic.h"
#include "base/result.h"
#include "bootloader/session.h"
#include "server/documents.h"
#include "server/progress_sink.h"
#include "server/status_block.h"
#include "server/transport.h"

namespace app {
namespace {

using bootloader::kOptionWorkerThread;

int decimalOrZero(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end ? value : 0;
}

}  // namespace

void WindowLogic::onUpdate() {
    if (operationRunning()) return;
    if (!server_.session.authenticated) {
        log_.line(1, "Error: Device not logged", 0, 0);
        return;
    }
    std::string answer;
    const server::RequestResult result =
        server_.requestSimple(server::kRequestFileList, answer, nullptr, true);
    if (result != server::RequestResult::ok) {
        log_.line(1, "Error connecting to server", base::code(result), 0);
        return;
    }
    showFileList(answer);
}

void WindowLogic::showFileList(const std::string& answer) {
    clearFirmwareList();
    const server::FileListResult result =
        server_.parseFileList(answer, [this](std::unique_ptr<server::FileInfo> entry, int, void*) {
            return addFileToList(std::move(entry));
        });
    view_.setText(Control::catalogueFolderPath, "/" + server_.session.location);
    if (result != server::FileListResult::done) return;
    if (rows_.empty()) {
        log_.line(3, "No new updates.", 0, 0);
        return;
    }
    view_.setColumnWidths(270, 80);
    panels_.show(Control::firmwareDialog, Control::mainPanel);
}

void WindowLogic::clearFirmwareList() {
    if (server_.session.currentFolderId.empty())
        server_.session.currentFolderId.assign(1, '0');  // not = "0": GCC 12 warns wrongly
    rows_.clear();
    view_.clearRows();
}

int WindowLogic::addFileToList(std::unique_ptr<server::FileInfo> entry) {
    int linkKind = 0;
    const int fileClass = server::classifyFileType(entry.get(), &linkKind);
    if (fileClass == server::kFileClassUnknown) return 0;
    if (fileClass == server::kFileClassLink &&
        (linkKind != server::kLinkUp || server_.session.currentFolderId == "0"))
        return 1;
    ListRow row;
    row.caption = entry->name;
    if (fileClass == server::kFileClassFile) {
        row.icon = 1;
        row.subItems = {entry->size, entry->price};
    } else {
        row.icon = 0;
    }
    view_.addRow(row);
    rows_.push_back(std::move(entry));
    return 1;
}

void WindowLogic::onFirmwareSelectionChange(bool selectionStateChanged) {
    const int selected = view_.selectedRow();
    const bool hasRecord = selected >= 0 && static_cast<std::size_t>(selected) < rows_.size();
    if (downloadRunning_) return;  // the action button stays disabled until the download has ended
    if (selectionStateChanged) view_.setEnabled(Control::selectFirmwareButton, hasRecord);
    if (!hasRecord) return;
    const server::FileInfo& entry = *rows_[static_cast<std::size_t>(selected)];
    view_.setEnabled(Control::selectFirmwareButton, true);
    if (server::classifyFileType(&entry) == server::kFileClassFile)
        view_.setText(Control::selectFirmwareButton,
                      isContainerName(entry.name) ? "Update firmware" : "Download");
    else
        view_.setText(Control::selectFirmwareButton, "Go");
}

void WindowLogic::onFirmwareDoubleClick() {
    const int selected = view_.selectedRow();
    if (downloadRunning_ || selected < 0 || static_cast<std::size_t>(selected) >= rows_.size()) return;
    view_.setEnabled(Control::selectFirmwareButton, false);
    onSelectFirmware();
    view_.setEnabled(Control::selectFirmwareButton, true);
}

void WindowLogic::setFirmwareDialogBusy(bool busy) {
    downloadRunning_ = busy;
    for (Control control : {Control::selectFirmwareButton, Control::firmwareList,
                            Control::firmwareCancelButton, Control::firmwareDialogTitle})
        view_.setEnabled(control, !busy);
}

void WindowLogic::onSelectFirmware() {
    if (downloadRunning_) return;
    const int selected = view_.selectedRow();
    if (selected < 0) return;
    addAndSaveOptions(kOptionWorkerThread);
    if (static_cast<std::size_t>(selected) >= rows_.size()) {
        log_.line(1, "Selected file error", 0, 0);
        return;
    }
    // The row's record goes when a folder is opened; keep what is needed.
    const server::FileInfo entry = *rows_[static_cast<std::size_t>(selected)];
    server_.session.selectedFileId = entry.fileId;
    server::ProgressSink sink;
    sink.onWorkBegin = [this](std::int64_t) {
        view_.setProgress(0);
        view_.setProgressRange(0, progressMaximum_);
        view_.setVisible(Control::progressBar, true);
        view_.processEvents();
    };
    sink.onWork = [this](std::int64_t count) {
        view_.setProgress(
            static_cast<int>(std::clamp<std::int64_t>(count, 0, std::numeric_limits<int>::max())));
        view_.processEvents();
    };
    sink.onWorkEnd = [this] {
        view_.setProgress(0);
        view_.processEvents();
    };
    progressMaximum_ = decimalOrZero(entry.size);
    view_.setProgressRange(0, progressMaximum_);

    const int fileClass = server::classifyFileType(&entry);
    if (fileClass == server::kFileClassFolder || fileClass == server::kFileClassLink) {
        server_.session.currentFolderId = entry.fileId;
        onUpdate();
        return;
    }
    const bool container = isContainerName(entry.name);
    std::string downloaded;
    // The number the download's line is chosen by: a request's code, or the status block's.
    int code = 0;
    if (container) {
        setFirmwareDialogBusy(true);
        const server::RequestResult result =
            server_.requestSimple(server::kRequestGetFile, downloaded, &sink, false);
        // The server's status block in front of the bytes: a refusal or a short file is never programmed.
        code = result == server::RequestResult::ok ? base::code(server::takeDownloadedFile(downloaded))
                                                   : base::code(result);
    } else {
        const auto target = view_.askSaveFile("", savedFileName(entry.name));
        if (!target) return;
        setFirmwareDialogBusy(true);
        code = server_.requestToFile(server::kRequestGetFile2, *target, &sink, false).code();
    }
    setFirmwareDialogBusy(false);
    if (code != 0) {
        log_.line(1, downloadOutcome(code), 0, 0);
        return;
    }
    log_.line(3, downloadOutcome(0), 0, 0);
    view_.setProgress(0);
    progressMaximum_ = 100;
    view_.setProgressRange(0, 100);
    panels_.close(Control::firmwareDialog);
    view_.refresh();
    if (container) {
        const ContainerResult result = programContainer(downloaded);
        if (result != ContainerResult::split) log_.line(1, "Error updating firmware", base::code(result), 0);
    }
}

void WindowLogic::onCancelFirmwareDialog() {
    if (downloadRunning_) return;
    panels_.close(Control::firmwareDialog);
}

}  // namespace app
