// Turns the region images into the program-data frames that write them into the box, skipping blank
// packets. The frames go to a sink (the write stream in use, or a test's recorder).
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "bootloader/memory_map.h"

namespace bootloader {

using Frame = std::array<std::uint8_t, 65>;

inline constexpr std::uint32_t kLastUnprotectedAddress = 0x1D07CFFF;
inline constexpr std::uint32_t kTarget0ProgramSpan = 0x78000;  // address units
inline constexpr std::uint8_t kOptionWriteProtectedArea = 4;
inline constexpr std::size_t kMaxPacketData = 58;  // bytes 7..64 of a frame

enum class PacketWriteResult : int {
    written = 0,
    gapFrameFailed = 3,   // the program-complete frame before a data packet
    dataFrameFailed = 4,  // a data frame
    regionEndFailed = 5,  // the program-complete frame after a region
    layoutUnusable = 7,   // packet size 0 or above 58, bytes per address not 1 or 2, or an image
                          // smaller than its region: nothing written
};

struct PacketCounts {
    int dataFrames = 0;      // program-data frames written
    int skippedPackets = 0;  // blank packets left out
    int completeFrames = 0;  // program-complete frames written (after gaps and after regions)
};

struct PacketWriter {
    // Writes one frame; false when the write failed.
    std::function<bool(const Frame&)> write;
    // Progress of the current region, 0..100; may be empty.
    std::function<void(int percent)> progress;
};

[[nodiscard]] bool layoutIsProgrammable(const MemoryMap& map);

// Programs every region that is not configuration memory, for target 0 or 1 with the session's option
// bits. Stops at the first failed write.
[[nodiscard]] PacketWriteResult writeProgramPackets(const MemoryMap& map, int target, std::uint8_t options,
                                                    const PacketWriter& writer,
                                                    PacketCounts* counts = nullptr);

}  // namespace bootloader
