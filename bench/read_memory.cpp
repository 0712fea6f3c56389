// The pipelined memory read over the 16 KiB information area against the simulated box on a paced link
// (one report per 1 ms in each direction), as a ratio to the link limit of one request per millisecond,
// next to a reader that waits for each answer before sending the next request. Both packet layouts:
// 48-byte packets (the default box) and 56-byte ones.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "bootloader/frames.h"
#include "bootloader/session.h"
#include "bootloader/tables.h"
#include "bootloader/transfer.h"
#include "hid/discovery.h"
#include "sim/box/sim_backend.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kInformationArea = 0x1D07C000;
constexpr int kRounds = 3;

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// One request, then its answer, then the next request.
bool stopAndWaitRead(bootloader::BootLoader& session, std::uint32_t first, std::uint32_t end,
                     std::uint8_t packetSize) {
    hid::Device writer(session.backend(), session.devicePath(), hid::Access::write);
    hid::Device reader(session.backend(), session.devicePath(), hid::Access::read);
    for (std::uint64_t a = first; a < end; a += packetSize) {
        hid::Report request = bootloader::commandFrame(bootloader::kCmdReadMemory, 0);
        bootloader::putAddress(request, static_cast<std::uint32_t>(a));
        request[6] = bootloader::requestByteCount(a, end, packetSize, 1);
        hid::Report answer{};
        if (writer.write(request) != 0 || reader.read(answer, 1000) != hid::ReadStatus::ok) return false;
    }
    return true;
}

// A box whose targets take packets of this many data bytes.
std::shared_ptr<sim::SimBackend> boxWithPackets(std::uint8_t packetSize) {
    return std::make_shared<sim::SimBackend>(std::vector<sim::BoxConfig>{sim::defaultBoxConfig(packetSize)});
}

int measure(std::uint8_t packetSize) {
    auto box = boxWithPackets(packetSize);
    bootloader::BootLoader session(box);
    (void)
        session.connect();  // a fresh session is never busy; `connected` below tells whether it found the box
    const bootloader::MemoryMap& map = session.memoryMap();
    if (session.connected == 0 || map.regionCount == 0 || map.bytesPerAddress != 1) {
        std::fprintf(stderr, "read_memory: the simulated box did not connect\n");
        return 1;
    }
    box->setPaced(true);
    const bootloader::Region& region = map.regions[0];
    const std::uint32_t end = region.start + region.size;
    const std::size_t regions[] = {0};
    const int requests =
        static_cast<int>((end - kInformationArea + map.packetDataSize - 1) / map.packetDataSize);
    const double limit = requests * 1.0;

    double best = 1e9, bestPeer = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        auto began = Clock::now();
        if (bootloader::readMemory(session, regions, kInformationArea, {}) !=
            bootloader::ReadMemoryOutcome::done) {
            std::fprintf(stderr, "read_memory: the pipelined read failed\n");
            return 1;
        }
        best = std::min(best, milliseconds(Clock::now() - began));
        began = Clock::now();
        if (!stopAndWaitRead(session, kInformationArea, end, map.packetDataSize)) {
            std::fprintf(stderr, "read_memory: the stop-and-wait read failed\n");
            return 1;
        }
        bestPeer = std::min(bestPeer, milliseconds(Clock::now() - began));
    }
    std::printf(
        "read_memory, %d-byte packets: %u bytes in %d requests, link limit %.0f ms (best of %d rounds)\n",
        map.packetDataSize, end - kInformationArea, requests, limit, kRounds);
    std::printf("  pipelined read:      %.3f x limit (target <= 1.15)\n", best / limit);
    std::printf("  stop-and-wait read:  %.3f x limit\n", bestPeer / limit);
    return best / limit <= 1.15 ? 0 : 1;
}

}  // namespace

int main() {
    const int with48 = measure(48);
    const int with56 = measure(56);
    return with48 != 0 ? with48 : with56;
}
