#include "app/image_check.h"

#include "bootloader/line_reader.h"
#include "bootloader/tables.h"

namespace app {

std::optional<std::string> imageRefusalLine(const bootloader::HexLoadReport& report, bool localFile) {
    if (report.lineCut) return "Error: firmware file has a line that is too long";
    if (report.stoppedAtEmptyLine) return "Error: firmware file has records after an empty line";
    if (report.bytesPlaced == 0) return "Error: firmware file has no data for this device";
    if (localFile && !report.endOfFileSeen) return "Error: firmware file has no end-of-file record";
    return std::nullopt;
}

bootloader::HexLoadReport dryLoad(const bootloader::MemoryMap& map, const std::string& text) {
    bootloader::MemoryMap scratch = map;
    bootloader::StringLineReader reader(text);
    return bootloader::loadHexRecordsWithReport(reader, scratch, nullptr);
}

}  // namespace app
