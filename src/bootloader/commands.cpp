// Connect, session open and the single commands.
#include <cstdio>
#include <new>
#include <vector>

#include "bootloader/frames.h"
#include "bootloader/session.h"
#include "bootloader/transfer.h"

namespace bootloader {

namespace {

// Device family (query answer byte 3) to image bytes per address unit; 0: left as it was.
std::uint8_t bytesPerAddressOfFamily(std::uint8_t family) {
    switch (family) {
        case 1:
        case 3:
        case 4:
            return 1;
        case 2:
            return 2;
        default:
            return 0;
    }
}

void readQueryAnswer(const hid::Report& answer, MemoryMap& map) {
    map.regionCount = 0;
    for (std::size_t entry = 0; entry < 4; ++entry) {
        const std::size_t at = 4 + 9 * entry;
        if (answer[at] == 0xFF) break;
        Region& region = map.regions[entry];
        region.type = answer[at];
        region.start = littleEndian32(&answer[at + 1]);
        region.size = littleEndian32(&answer[at + 5]);
        ++map.regionCount;
    }
    map.packetDataSize = answer[2];
    map.family = answer[3];
    if (const std::uint8_t perUnit = bytesPerAddressOfFamily(answer[3]); perUnit != 0)
        map.bytesPerAddress = perUnit;
}

std::string hex8(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(value));
    return text;
}

// Target 1, then target 0, with the dual option; otherwise the selected target only.
std::vector<hid::Report> framesForEachTarget(const BootLoader& session, Command command) {
    if ((session.options & kOptionDual) != 0) return {commandFrame(command, 1), commandFrame(command, 0)};
    return {commandFrame(command, session.target)};
}

}  // namespace

ConnectResult BootLoader::connect() {
    if (isBusy()) return ConnectResult::busy;
    {
        std::lock_guard lock(failureMutex_);
        lastFailure_ = {};
    }
    discoveryResult = findDevice();
    if (discoveryResult != 1)
        noteFailure(base::Status::failure(std::string("no box found (USB ") + hid::deviceMatchPattern + ")"));
    if (discoveryResult == 1) {
        const std::string path = devicePath();
        hid::Device writer(backend(), path, hid::Access::write);
        hid::Device reader(backend(), path, hid::Access::read);
        writeOpenError = static_cast<std::uint32_t>(writer.openError());
        readOpenError = static_cast<std::uint32_t>(reader.openError());
        noteFailure(writer.isOpen() ? reader.openStatus() : writer.openStatus());
        if (writer.isOpen() && reader.isOpen()) {
            connected = 1;
            queryStatus = QueryStatus::cleared;
            writer.close();
            reader.close();
            (void)openSession();  // its outcome is in queryStatus and the memory map
            return ConnectResult::done;
        }
    }
    connected = 0;
    disconnect();
    (void)openSession();
    return ConnectResult::done;
}

int BootLoader::openSession() {
    if (progress > 100) progress = 100;
    (void)queryDevice();  // a failed query leaves no regions, so nothing is allocated below
    queryStatus = QueryStatus::answered;
    releaseImages();
    MemoryMap& map = memoryMap();
    const std::uint8_t perUnit = map.bytesPerAddress;
    for (std::size_t r = 0; r < map.regionCount; ++r) {
        const std::uint64_t units = static_cast<std::uint64_t>(map.regions[r].size) + 1;
        const std::uint64_t bytes = units * perUnit;
        // A region whose end does not fit 32-bit frame addresses would wrap to 0x00000000 on the wire.
        const bool addressable = std::uint64_t{map.regions[r].start} + map.regions[r].size <= 0x100000000ull;
        bool allocated = addressable && bytes <= kMaxImageBytes + perUnit;
        if (allocated) {
            try {
                map.images[r].assign(static_cast<std::size_t>(bytes), 0);
            } catch (const std::bad_alloc&) {
                allocated = false;
            }
        }
        if (!allocated) {
            diagnostic(1, "??? malloc failed ??? " + hex8(map.regions[r].size) + " " + hex8(perUnit));
            releaseImages();
            queryStatus = QueryStatus::sessionOpened;
            return 1;
        }
        // The erased pattern; the spare unit at the end stays as allocated.
        std::vector<std::uint8_t>& image = map.images[r];
        const std::size_t filled = static_cast<std::size_t>(map.regions[r].size) * perUnit;
        for (std::size_t j = 0; j < filled; ++j) image[j] = (perUnit == 2 && (j + 1) % 4 == 0) ? 0x00 : 0xFF;
    }
    queryStatus = QueryStatus::sessionOpened;
    return 0;
}

CommandResult BootLoader::queryDevice() {
    memoryMap().regionCount = 0;
    progress = 10;
    hid::Report answer{};
    const ExchangeOutcome outcome = exchange(*this, commandFrame(kCmdQuery, target), answer);
    CommandResult result = CommandResult::ok;
    switch (outcome) {
        case ExchangeOutcome::writeOpenFailed:
            queryStatus = QueryStatus::writeFailed;
            result = CommandResult::noWriteHandle;
            break;
        case ExchangeOutcome::readOpenFailed:
            queryStatus = QueryStatus::readFailed;
            result = CommandResult::noReadHandle;
            break;
        case ExchangeOutcome::writeFailed:
            queryStatus = QueryStatus::writeFailed;
            break;
        case ExchangeOutcome::readFailed:
            queryStatus = QueryStatus::readFailed;
            break;
        case ExchangeOutcome::done:
            progress = 90;
            readQueryAnswer(answer, memoryMap());
            queryStatus = QueryStatus::answered;
            break;
    }
    progress = 100;
    return result;
}

CommandResult BootLoader::eraseDevice() {
    const SendOutcome outcome = sendCommand(*this, commandFrame(kCmdErase, target));
    if (outcome == SendOutcome::openFailed) {
        eraseStatus = CommandStatus::failed;
        return CommandResult::noWriteHandle;
    }
    eraseStatus = outcome == SendOutcome::done ? CommandStatus::done : CommandStatus::failed;
    return CommandResult::ok;
}

CommandResult BootLoader::eraseUserData(bool onlyIfRequested) {
    std::vector<hid::Report> frames;
    if (!onlyIfRequested || eraseUserDataRequested != 0)
        frames = framesForEachTarget(*this, kCmdEraseUserData);
    bool lastFailed = false;
    const SendOutcome outcome = sendCommand(*this, frames, &lastFailed);
    if (outcome == SendOutcome::openFailed) {
        eraseStatus = CommandStatus::failed;
        return CommandResult::noWriteHandle;
    }
    eraseUserDataRequested = 0;
    eraseStatus = lastFailed ? CommandStatus::failed : CommandStatus::done;
    return CommandResult::ok;
}

CommandResult BootLoader::resetDevice(bool onlyIfRequested) {
    progress = 0;
    std::vector<hid::Report> frames;
    if (!onlyIfRequested || resetRequested != 0) frames = framesForEachTarget(*this, kCmdReset);
    progress = 10;
    const SendOutcome outcome = sendCommand(*this, frames);
    if (outcome == SendOutcome::openFailed) {
        progress = 100;
        return CommandResult::resetNoWriteHandle;
    }
    resetRequested = 0;
    progress = 100;
    return outcome == SendOutcome::writeFailed ? CommandResult::resetWriteFailed : CommandResult::ok;
}

namespace {

CommandResult sendStatusCommand(BootLoader& session, Command command, std::atomic<CommandStatus>& status) {
    session.progress = 0;
    session.progress = 10;
    const SendOutcome outcome = sendCommand(session, commandFrame(command, session.target));
    session.progress = 100;
    if (outcome == SendOutcome::openFailed) {
        status = CommandStatus::failed;
        return CommandResult::noWriteHandle;
    }
    status = outcome == SendOutcome::done ? CommandStatus::done : CommandStatus::failed;
    return CommandResult::ok;
}

}  // namespace

CommandResult BootLoader::sendCommand06() {
    return sendStatusCommand(*this, kCmd06, finishStatus);
}

CommandResult BootLoader::sendCommand50() {
    return sendStatusCommand(*this, kCmd50, command50Status);
}

}  // namespace bootloader
