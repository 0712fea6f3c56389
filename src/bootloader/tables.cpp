#include "bootloader/tables.h"

#include "bootloader/settings.h"
#include "hid/discovery.h"

namespace bootloader {

namespace {

SessionTables processTables;
TransferSettings processSettings;

}  // namespace

SessionTables& tables() {
    return processTables;
}

TransferSettings& transferSettings() {
    return processSettings;
}

void resetTransferSettings() {
    processSettings = TransferSettings{};
}

void diagnostic(int level, const std::string& text) {
    if (processTables.diagnosticHook) processTables.diagnosticHook(level, text);
}

void resetProcessState() {
    processTables = SessionTables{};
    hid::resetDiscovery();
}

std::uint8_t bindSystemLibraries() {
    processTables.scratch = {};
    const std::uint8_t code = hid::bindFacilities();
    if (code != 0) return code;
    hid::forgetDevicePath();
    processTables.map = MemoryMap{};
    return 0;
}

void releaseImages() {
    for (auto& image : processTables.map.images) std::vector<std::uint8_t>().swap(image);
}

void disconnect() {
    releaseImages();
    hid::forgetDevicePath();
}

}  // namespace bootloader
