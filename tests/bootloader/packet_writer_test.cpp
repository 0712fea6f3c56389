#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "base/result.h"
#include "bootloader/memory_map.h"
#include "bootloader/packet_writer.h"

namespace {

using bootloader::Frame;
using bootloader::MemoryMap;
using bootloader::Region;
using Bytes = std::vector<std::uint8_t>;

MemoryMap makeMap(std::vector<Region> regions, std::uint8_t packetSize = 56,
                  std::uint8_t bytesPerAddress = 1) {
    MemoryMap map;
    map.packetDataSize = packetSize;
    map.bytesPerAddress = bytesPerAddress;
    for (const Region& region : regions) {
        auto& image = map.images[map.regionCount];
        image.resize((region.size + 1) * bytesPerAddress);
        for (std::size_t j = 0; j < region.size * bytesPerAddress; ++j)
            image[j] = bytesPerAddress == 2 && (j + 1) % 4 == 0 ? 0x00 : 0xFF;
        map.regions[map.regionCount++] = region;
    }
    return map;
}

void put(MemoryMap& map, int region, std::uint32_t address, const Bytes& bytes) {
    const std::size_t offset = (address - map.regions[region].start) * map.bytesPerAddress;
    std::copy(bytes.begin(), bytes.end(), map.images[region].begin() + static_cast<long>(offset));
}

std::uint32_t addressOf(const Frame& frame) {
    return frame[2] | frame[3] << 8 | frame[4] << 16 | static_cast<std::uint32_t>(frame[5]) << 24;
}

struct Programming {
    int result = 0;
    std::vector<Frame> frames;
    bootloader::PacketCounts counts;
    int failAt = 0;  // 1-based write that fails; 0 none

    // "D" data frame, "C" program-complete frame, in order.
    std::string kinds() const {
        std::string text;
        for (const Frame& f : frames) text += (f[1] & 0x1F) == 0x03 ? 'D' : (f[1] & 0x1F) == 0x04 ? 'C' : '?';
        return text;
    }
};

Programming program(const MemoryMap& map, int target = 0, std::uint8_t options = 0, int failAt = 0) {
    Programming run;
    run.failAt = failAt;
    bootloader::PacketWriter writer;
    writer.write = [&run](const Frame& frame) {
        run.frames.push_back(frame);
        return static_cast<int>(run.frames.size()) != run.failAt;
    };
    run.result = base::code(bootloader::writeProgramPackets(map, target, options, writer, &run.counts));
    return run;
}

// Replays data frames the way the box takes them: full 48-byte packets from byte 7, all others ending at 64.
std::map<std::uint32_t, std::uint8_t> replay(const std::vector<Frame>& frames, const MemoryMap& map) {
    std::map<std::uint32_t, std::uint8_t> written;  // file byte offset from address 0 -> value
    for (const Frame& frame : frames) {
        if ((frame[1] & 0x1F) != 0x03) continue;
        const std::size_t count = frame[6];
        const std::size_t first = map.packetDataSize == 48 && count == 48 ? 7 : 65 - count;
        for (std::size_t i = 0; i < count; ++i)
            written[addressOf(frame) * map.bytesPerAddress + static_cast<std::uint32_t>(i)] =
                frame[first + i];
    }
    return written;
}

TEST(PacketWriter, BlankPacketsAreSkippedAndGapsClosedBeforeTheNextData) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> dataAt;  // one non-blank byte at each of these addresses
        std::string kinds;
        int skipped;
    };
    // Region of 224 units with M = 56: four packets at 0x100, 0x138, 0x170, 0x1A8.
    const Case cases[] = {
        {"all blank", {}, "C", 4},
        {"every packet", {0x100, 0x138, 0x170, 0x1A8}, "DDDDC", 0},
        {"data, blank, data", {0x100, 0x170}, "DCDC", 2},
        {"blank first", {0x138}, "CDC", 3},
        {"data, two blank, data", {0x100, 0x1DF}, "DCDC", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryMap map = makeMap({{0, 0x100, 224}});
        for (std::uint32_t address : c.dataAt) put(map, 0, address, {0x42});
        const Programming run = program(map);
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.kinds(), c.kinds);
        EXPECT_EQ(run.counts.skippedPackets, c.skipped);
        EXPECT_EQ(run.counts.dataFrames, static_cast<int>(c.dataAt.size()));
        for (std::size_t i = 0; i + 1 < run.frames.size(); ++i) {
            if (run.frames[i][1] == 0x04) {
                EXPECT_EQ(run.frames[i], (Frame{0, 0x04})) << "gap frame is zero-filled";
            }
        }
    }
}

TEST(PacketWriter, FrameLayoutsFollowThePacketSize) {
    struct Case {
        std::uint8_t packetSize;
        std::uint32_t size;
        std::size_t firstByte;  // where a full packet's data begin
        std::size_t lastCount;  // bytes in the packet that reaches the region end
    };
    const Case cases[] = {{48, 100, 7, 4}, {56, 100, 9, 44}, {58, 58, 7, 58}, {16, 40, 49, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packetSize);
        MemoryMap map = makeMap({{0, 0x2000, c.size}}, c.packetSize);
        for (std::uint32_t a = 0; a < c.size; ++a) put(map, 0, 0x2000 + a, {static_cast<std::uint8_t>(a)});
        const Programming run = program(map);
        ASSERT_EQ(run.result, 0);
        ASSERT_GE(run.frames.size(), 2u);
        const Frame& full = run.frames.front();
        EXPECT_EQ(addressOf(full), 0x2000u);
        EXPECT_EQ(full[6], std::min<std::uint32_t>(c.packetSize, c.size));
        EXPECT_EQ(full[c.firstByte], 0x00);  // the byte of address 0x2000
        EXPECT_EQ(full[c.firstByte + 1], 0x01);
        const Frame& last = run.frames[run.frames.size() - 2];
        EXPECT_EQ(last[6], c.lastCount);
        EXPECT_EQ(last[64], static_cast<std::uint8_t>(c.size - 1));  // the region's last byte ends the frame
        for (std::size_t i = 7; i < 65 - c.lastCount; ++i) EXPECT_EQ(last[i], 0) << i;
        // The closing frame repeats the last packet as a program-complete frame.
        Frame closing = last;
        closing[1] = 0x04;
        EXPECT_EQ(run.frames.back(), closing);
        // And what the box takes from the frames is the image.
        const auto written = replay(run.frames, map);
        ASSERT_EQ(written.size(), c.size);
        for (std::uint32_t a = 0; a < c.size; ++a)
            EXPECT_EQ(written.at(0x2000 + a), static_cast<std::uint8_t>(a));
    }
}

TEST(PacketWriter, FillerBytesOfTwoByteUnitsAreNotData) {
    MemoryMap map = makeMap({{0, 0x400, 56}}, 56, 2);  // erased pattern FF FF FF 00 ...
    EXPECT_EQ(program(map).kinds(), "C");
    put(map, 0, 0x400 + 29, {0xFF, 0x12});  // the filler byte of an odd unit in the second packet
    EXPECT_EQ(program(map).kinds(), "C");
    put(map, 0, 0x400 + 29, {0x34, 0x00});  // a real byte there
    const Programming run = program(map);
    EXPECT_EQ(run.kinds(), "CDC");
    EXPECT_EQ(addressOf(run.frames[1]), 0x400u + 28);
    EXPECT_EQ(run.counts.skippedPackets, 1);
}

TEST(PacketWriter, ProtectedAreaOnlyWithOptionBitTwo) {
    // Target 1 programs whole regions; the information area is above 0x1D07CFFF.
    MemoryMap map = makeMap({{1, 0x1D07C000, 0x3000}, {1, 0x1D07E000, 0x100}});
    put(map, 0, 0x1D07C000, {0x11});
    put(map, 0, 0x1D07CFF8, {1, 2, 3, 4, 5, 6, 7, 8, 0xAA, 0xBB});  // straddles the boundary
    put(map, 0, 0x1D07E000, {0x22});
    put(map, 1, 0x1D07E000, {0x33});

    const Programming guarded = program(map, 1, 0);
    EXPECT_EQ(guarded.result, 0);
    const auto kept = replay(guarded.frames, map);
    EXPECT_EQ(kept.at(0x1D07C000), 0x11);
    EXPECT_EQ(kept.at(0x1D07CFFF), 8);  // data below the boundary still goes out
    for (const auto& [address, value] : kept)
        if (address > 0x1D07CFFF) {
            EXPECT_EQ(value, 0xFF) << std::hex << address;
        }
    EXPECT_EQ(guarded.kinds(), "DCDC") << "region 1 starts above the boundary: skipped whole";

    const Programming open = program(map, 1, bootloader::kOptionWriteProtectedArea);
    const auto all = replay(open.frames, map);
    EXPECT_EQ(all.at(0x1D07D000), 0xAA);
    EXPECT_EQ(all.at(0x1D07E000), 0x33);  // region 1 comes after region 0 and wins
    EXPECT_EQ(open.kinds(), "DCDCDCDC");
    for (const Frame& f : open.frames) EXPECT_EQ(f[1] & 0xE0, 0x20) << "target 1 commands";
}

TEST(PacketWriter, ConfigurationRegionsAreNeverWritten) {
    MemoryMap map = makeMap({{3, 0x1FC00000, 0x100}, {1, 0x100, 0x40}});
    put(map, 0, 0x1FC00000, {1, 2, 3});
    const Programming run = program(map, 0, bootloader::kOptionWriteProtectedArea);
    EXPECT_EQ(run.kinds(), "C");
    EXPECT_EQ(addressOf(run.frames[0]) & 0xFFF00000u, 0u);
}

TEST(PacketWriter, TargetZeroStopsAfterItsSpan) {
    MemoryMap map = makeMap({{1, 0x1D000000, 0x80000}});
    for (std::uint32_t a = 0x77FF0; a < 0x78100; ++a) put(map, 0, 0x1D000000 + a, {0x5A});
    const Programming target0 = program(map, 0);
    const auto written0 = replay(target0.frames, map);
    // Packets start every 56 units; the one at 0x77FF8 is the last below the span and reaches past it.
    EXPECT_EQ(written0.rbegin()->first - 0x1D000000u, 0x77FF8u + 55);
    EXPECT_EQ(target0.counts.dataFrames, 2);
    const Programming target1 = program(map, 1);
    EXPECT_EQ(replay(target1.frames, map).rbegin()->first - 0x1D000000u,
              0x780D8u + 55);  // the packet holding 0x780FF
    EXPECT_EQ(target1.counts.dataFrames, 6);
}

TEST(PacketWriter, FailedWritesStopWithTheirCodes) {
    MemoryMap map = makeMap({{0, 0x100, 224}});
    put(map, 0, 0x100, {1});
    put(map, 0, 0x170, {2});  // frames: D C D C
    EXPECT_EQ(program(map, 0, 0, 1).result, base::code(bootloader::PacketWriteResult::dataFrameFailed));
    EXPECT_EQ(program(map, 0, 0, 2).result, base::code(bootloader::PacketWriteResult::gapFrameFailed));
    EXPECT_EQ(program(map, 0, 0, 3).result, base::code(bootloader::PacketWriteResult::dataFrameFailed));
    const Programming last = program(map, 0, 0, 4);
    EXPECT_EQ(last.result, base::code(bootloader::PacketWriteResult::regionEndFailed));
    EXPECT_EQ(last.frames.size(), 4u);
}

TEST(PacketWriter, UnusableLayoutsWriteNothing) {
    struct Case {
        std::uint8_t packetSize, bytesPerAddress;
        bool shrinkImage;
    };
    for (const Case& c : {Case{0, 1, false}, Case{59, 1, false}, Case{255, 1, false}, Case{56, 0, false},
                          Case{56, 3, false}, Case{56, 1, true}}) {
        MemoryMap map = makeMap({{0, 0x100, 224}}, 56, 1);
        map.packetDataSize = c.packetSize;
        map.bytesPerAddress = c.bytesPerAddress;
        if (c.shrinkImage) map.images[0].resize(10);
        const Programming run = program(map);
        EXPECT_EQ(run.result, base::code(bootloader::PacketWriteResult::layoutUnusable));
        EXPECT_TRUE(run.frames.empty());
    }
}

}  // namespace
