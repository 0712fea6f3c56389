// The box's memory layout as learnt from the query answer, and the image buffers built on it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bootloader {

struct Region {
    std::uint8_t type = 0;    // 3 = configuration memory, never programmed
    std::uint32_t start = 0;  // device address
    std::uint32_t size = 0;   // device address units
};

inline constexpr std::size_t kMaxRegions = 6;

struct MemoryMap {
    std::array<Region, kMaxRegions> regions{};
    std::uint8_t regionCount = 0;      // the query fills at most 4
    std::uint8_t packetDataSize = 0;   // M: data bytes per memory packet
    std::uint8_t bytesPerAddress = 0;  // N: image bytes per device address unit (1 or 2)
    std::uint8_t family = 0;           // device family of the last query answer, as the box sent it
    // One image per region: (size + 1) * N bytes; image byte k holds device address start + k / N.
    // Empty when released.
    std::array<std::vector<std::uint8_t>, kMaxRegions> images;
};

}  // namespace bootloader
