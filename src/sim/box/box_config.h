// What a simulated box looks like from the outside: its USB identity and, per processor, the query
// answer it gives (packet data size, family, memory regions).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

inline constexpr const char* kBoxHardwareId = "HID\\VID_2E4B&PID_0001&REV_0100";

struct SimRegion {
    std::uint8_t type = 1;    // 1 program memory, 3 configuration memory
    std::uint32_t start = 0;  // device address
    std::uint32_t size = 0;   // device address units
};

struct TargetLayout {
    std::uint8_t packetDataSize = 48;  // 48: read answers carry their data from byte 7; else right-aligned
    std::uint8_t family = 3;  // family 2 stores two image bytes per address unit, every other family one
    std::vector<SimRegion> regions;  // the query answer carries at most four

    [[nodiscard]] std::uint8_t bytesPerAddress() const { return family == 2 ? 2 : 1; }
};

struct BoxConfig {
    std::string hardwareId = kBoxHardwareId;
    std::array<TargetLayout, 2> targets;
    // Erase leaves this address range alone: the box keeps its identity across firmware updates.
    std::uint32_t protectedStart = 0x1D07D000;
    std::uint32_t protectedEnd = 0x1D080000;
};

// Target 0: a program region at 0x1D000000 of 0x80000 units (holding the information area at 0x1D07C000)
// and a configuration region. Target 1: the same flash split into program code and the information area.
BoxConfig defaultBoxConfig();

// The default layout with both targets taking packets of packetSize data bytes.
BoxConfig defaultBoxConfig(std::uint8_t packetSize);

// The layout with target 0's program region split the way target 1's is: program code up to 0x1D07C000 and
// the information area as a region of its own. Target 0 programs only the first 0x78000 units of a region,
// so only with this split does an update reach the firmware block at 0x1D07C000 and change the firmware
// version the box reports afterwards. The demo's boxes use it.
BoxConfig withInformationAreaRegion(BoxConfig config);

// Image byte j of erased memory: 0xFF, except every fourth byte of 2-byte-unit memory, a filler that reads 0.
[[nodiscard]] inline std::uint8_t erasedByte(std::size_t j, std::uint8_t bytesPerAddress) {
    return (bytesPerAddress == 2 && (j + 1) % 4 == 0) ? 0x00 : 0xFF;
}

}  // namespace sim
