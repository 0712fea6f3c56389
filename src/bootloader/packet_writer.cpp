#include "bootloader/packet_writer.h"

#include <algorithm>

#include "bootloader/frames.h"

namespace bootloader {
namespace {

constexpr std::uint8_t kConfigurationRegion = 3;
constexpr std::uint8_t kBlank = 0xFF;
constexpr std::size_t kLastFrameByte = 64;
constexpr std::size_t kFirstDataByte = 7;

// One region, packet by packet.
class RegionWriter {
public:
    RegionWriter(const MemoryMap& map, std::size_t index, int target, std::uint8_t options,
                 const PacketWriter& writer, PacketCounts& counts)
        : region_(map.regions[index]),
          image_(map.images[index]),
          packetSize_(map.packetDataSize),
          unitBytes_(map.bytesPerAddress),
          target_(target),
          protectArea_((options & kOptionWriteProtectedArea) == 0),
          writer_(writer),
          counts_(counts) {}

    PacketWriteResult run() {
        const std::uint64_t start = region_.start;
        const std::uint64_t end = start + region_.size;
        const std::uint64_t span =
            target_ == 1 ? region_.size : std::min<std::uint64_t>(region_.size, kTarget0ProgramSpan);
        std::uint64_t address = start;
        std::size_t source = 0;
        unsigned unitByte = 1;
        bool gap = false;
        while (address < start + span) {
            frame_ = {};
            frame_[1] = commandCode(kCmdProgramData, target_);
            putAddress(frame_, static_cast<std::uint32_t>(address));
            if (writer_.progress) writer_.progress(static_cast<int>((address - start) * 100 / region_.size));

            // Full 48-byte packets travel in bytes 7..54, every other size right-aligned to byte 64.
            const std::size_t first = packetSize_ == 48 ? kFirstDataByte : kLastFrameByte + 1 - packetSize_;
            bool carriesData = false;
            std::size_t gathered = 0;
            while (gathered < packetSize_) {
                const std::uint8_t byte = source < image_.size() ? image_[source] : kBlank;
                ++source;
                const bool filler = unitBytes_ == 2 && (address & 1) != 0 && unitByte == 2;
                // The protected identity area is never touched from here: its bytes go out erased.
                const bool isProtected = protectArea_ && address > kLastUnprotectedAddress;
                frame_[first + gathered] = isProtected ? kBlank : byte;
                if (byte != kBlank && !filler && !isProtected) carriesData = true;
                ++gathered;
                if (unitByte == unitBytes_) {
                    ++address;
                    unitByte = 1;
                } else {
                    ++unitByte;
                }
                if (address >= end) {
                    alignToFrameEnd(first, gathered);
                    break;
                }
            }
            frame_[6] = static_cast<std::uint8_t>(gathered);

            if (carriesData) {
                if (gap) {
                    Frame complete{};
                    complete[1] = commandCode(kCmdProgramComplete, target_);
                    if (!writer_.write(complete)) return PacketWriteResult::gapFrameFailed;
                    ++counts_.completeFrames;
                    gap = false;
                }
                if (!writer_.write(frame_)) return PacketWriteResult::dataFrameFailed;
                ++counts_.dataFrames;
            } else {
                gap = true;
                ++counts_.skippedPackets;
            }
        }
        // The region's last frame goes out again as its program-complete frame.
        frame_[1] = commandCode(kCmdProgramComplete, target_);
        if (!writer_.write(frame_)) return PacketWriteResult::regionEndFailed;
        ++counts_.completeFrames;
        return PacketWriteResult::written;
    }

private:
    // The packet that reaches the region's end ends at byte 64, with zeros in front of it.
    void alignToFrameEnd(std::size_t first, std::size_t gathered) {
        const std::size_t target = kLastFrameByte + 1 - gathered;
        std::copy_backward(frame_.begin() + static_cast<long>(first),
                           frame_.begin() + static_cast<long>(first + gathered), frame_.end());
        std::fill(frame_.begin() + kFirstDataByte, frame_.begin() + static_cast<long>(target), 0);
    }

    const Region& region_;
    const std::vector<std::uint8_t>& image_;
    const std::size_t packetSize_;
    const unsigned unitBytes_;
    const int target_;
    const bool protectArea_;
    const PacketWriter& writer_;
    PacketCounts& counts_;
    Frame frame_{};
};

}  // namespace

bool layoutIsProgrammable(const MemoryMap& map) {
    return map.packetDataSize >= 1 && map.packetDataSize <= kMaxPacketData &&
           (map.bytesPerAddress == 1 || map.bytesPerAddress == 2);
}

PacketWriteResult writeProgramPackets(const MemoryMap& map, int target, std::uint8_t options,
                                      const PacketWriter& writer, PacketCounts* counts) {
    if (!layoutIsProgrammable(map) || !writer.write) return PacketWriteResult::layoutUnusable;
    const std::size_t regionCount = std::min<std::size_t>(map.regionCount, kMaxRegions);
    const auto programmed = [&](std::size_t i) {
        const Region& region = map.regions[i];
        if (region.type == kConfigurationRegion) return false;
        return (options & kOptionWriteProtectedArea) != 0 || region.start <= kLastUnprotectedAddress;
    };
    // An image smaller than its region (a released or foreign map) would program erased bytes over the box.
    for (std::size_t i = 0; i < regionCount; ++i)
        if (programmed(i) && map.images[i].size() < std::uint64_t{map.regions[i].size} * map.bytesPerAddress)
            return PacketWriteResult::layoutUnusable;
    PacketCounts local;
    PacketCounts& tally = counts != nullptr ? *counts : local;
    for (std::size_t i = 0; i < regionCount; ++i) {
        if (!programmed(i)) continue;
        if (const PacketWriteResult result = RegionWriter(map, i, target, options, writer, tally).run();
            result != PacketWriteResult::written)
            return result;
    }
    return PacketWriteResult::written;
}

}  // namespace bootloader
