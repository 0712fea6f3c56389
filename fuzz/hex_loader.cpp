// The Intel HEX loader over any text, into a small map of two regions, with one and two image bytes per
// device address unit. A region image is allocated to its exact size, so a write past it is caught.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bootloader/hex_loader.h"
#include "bootloader/line_reader.h"
#include "bootloader/memory_map.h"

namespace {

bootloader::MemoryMap smallMap(std::uint8_t bytesPerAddress) {
    bootloader::MemoryMap map;
    map.bytesPerAddress = bytesPerAddress;
    map.packetDataSize = 56;
    const bootloader::Region regions[] = {{1, 0x1000, 0x100}, {2, 0x1D000000, 0x40}};
    for (const bootloader::Region& region : regions) {
        map.images[map.regionCount].assign((std::size_t{region.size} + 1) * bytesPerAddress, 0xFF);
        map.regions[map.regionCount++] = region;
    }
    return map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::uint8_t bytesPerAddress : {1, 2}) {
        bootloader::MemoryMap map = smallMap(bytesPerAddress);
        bootloader::StringLineReader reader(text);
        const bootloader::HexLoadReport report =
            bootloader::loadHexRecordsWithReport(reader, map, [](int, const std::string&) {});
        if (report.code != bootloader::HexResult::loaded && report.cause.empty()) __builtin_trap();
        (void)bootloader::imageRefusal(report, true);
    }
    return 0;
}
