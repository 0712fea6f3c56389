#include "cli/box_pick.h"

#include <cerrno>
#include <cstdio>

#include "arvex/config.h"
#include "bootloader/session.h"
#include "hid/discovery.h"

namespace cli {

namespace {

// Opens the box once to see whether this user may; names the udev rule when permission is refused.
std::string openProblem(hid::Backend& backend, const std::string& path) {
    hid::Handle handle = hid::kNoHandle;
    if (backend.open(path, hid::Access::write, handle) == 0 && handle != hid::kNoHandle) {
        backend.close(handle);
        return {};
    }
    const std::string cause = backend.lastError();
    const bool denied = errno == EACCES || cause.find("ermission") != std::string::npos;
    if (denied) return "cannot open " + path + ": permission denied — is the udev rule installed? see README";
    return "cannot open " + path + (cause.empty() ? std::string() : ": " + cause);
}

std::optional<std::string> readSerial(const std::shared_ptr<hid::Backend>& backend, const std::string& path) {
    bootloader::BootLoader session(backend, {}, path);
    // A fresh session runs nothing, so no setting is refused; `connected` tells whether the box was found.
    (void)session.setIdentityKey(arvex::config::kIdentityKey.data(), arvex::config::kIdentityKey.size());
    const std::uint8_t onThisThread = 0;
    (void)session.setOptions(&onThisThread);
    (void)session.selectTarget(0);
    (void)session.connect();
    if (session.connected == 0) return std::nullopt;
    const bootloader::StartOutcome read = session.startOperation(bootloader::kOpReadIdentity);
    bootloader::BootLoaderField field;
    if (!read.ok() || session.readStatus != bootloader::IdentityReadStatus::done ||
        session.getField(0x100, &field) != bootloader::AccessResult::ok)
        return std::nullopt;
    return field.serial;
}

}  // namespace

std::vector<BoxListing> listBoxes(const std::shared_ptr<hid::Backend>& backend, bool details) {
    std::vector<BoxListing> boxes;
    for (const hid::DeviceInterface& device : backend->enumerate())
        if (hid::matchesBox(device.hardwareId)) boxes.push_back({device.path, device.hardwareId, {}, {}});
    if (details)
        for (BoxListing& box : boxes) {
            box.openProblem = openProblem(*backend, box.path);
            if (box.openProblem.empty()) box.serial = readSerial(backend, box.path);
        }
    return boxes;
}

BoxPick pickBox(const GlobalOptions& options, const std::shared_ptr<hid::Backend>& backend) {
    const std::vector<BoxListing> boxes = listBoxes(backend);
    if (!options.device.empty()) {
        for (const BoxListing& box : boxes)
            if (box.path == options.device) return {box.path, ExitCode::done};
        // Not the path of a box present: a serial, read from each box in turn.
        for (const BoxListing& box : boxes)
            if (readSerial(backend, box.path) == options.device) return {box.path, ExitCode::done};
        std::fprintf(stderr,
                     "arvex-cli: --device %s: no box with this path or serial (see arvex-cli devices)\n",
                     options.device.c_str());
        return {{}, ExitCode::noBox};
    }
    if (boxes.size() <= 1) return {boxes.empty() ? std::string() : boxes[0].path, ExitCode::done};
    std::fprintf(stderr, "arvex-cli: %zu boxes are plugged in; pick one with --device PATH|SERIAL:\n",
                 boxes.size());
    for (const BoxListing& box : boxes) std::fprintf(stderr, "  %s\n", box.path.c_str());
    return {{}, ExitCode::usage};
}

}  // namespace cli
