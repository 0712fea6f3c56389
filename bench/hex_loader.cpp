// loadHexImage on a 1.4 MB Intel HEX file, in MB/s, next to Debian's srec_cat converting the same file to
// binary in the same run.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bootloader/hex_loader.h"
#include "bootloader/line_reader.h"
#include "sim/box/hex_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kFlash = 0x1D000000;
constexpr int kRounds = 5;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

bootloader::MemoryMap targetMap() {
    bootloader::MemoryMap map;
    map.regionCount = 1;
    map.bytesPerAddress = 1;
    map.packetDataSize = 56;
    map.regions[0] = {1, kFlash, 0x80000};
    map.images[0].assign(0x80001, 0xFF);
    return map;
}

}  // namespace

int main() {
    const auto folder =
        std::filesystem::temp_directory_path() / ("arvex-hex-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string hexPath = (folder / "image.hex").string();
    const std::string binPath = (folder / "image.bin").string();

    std::mt19937 random(3);
    std::vector<std::uint8_t> bytes(0x7E000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random() & 0xFE);
    const std::string text = sim::toIntelHex({{kFlash, bytes}});
    std::ofstream(hexPath, std::ios::binary) << text;
    const double megabytes = static_cast<double>(text.size()) / 1e6;

    double best = 1e9;
    bool correct = true;
    for (int round = 0; round < kRounds; ++round) {
        bootloader::MemoryMap map = targetMap();
        const auto began = Clock::now();
        bootloader::FileLineReader reader(hexPath);
        const bootloader::HexResult result = bootloader::loadHexRecords(reader, map, nullptr);
        best = std::min(best, seconds(Clock::now() - began));
        correct = correct && result == bootloader::HexResult::loaded &&
                  std::equal(bytes.begin(), bytes.end(), map.images[0].begin());
    }

    const std::string command =
        "srec_cat " + hexPath + " -intel -offset -0x1D000000 -o " + binPath + " -binary >/dev/null 2>&1";
    double peer = 1e9;
    bool havePeer = true;
    for (int round = 0; round < kRounds && havePeer; ++round) {
        const auto began = Clock::now();
        havePeer = std::system(command.c_str()) == 0;
        peer = std::min(peer, seconds(Clock::now() - began));
    }
    std::filesystem::remove_all(folder);
    if (!correct) {
        std::fprintf(stderr, "hex_loader: the loaded image differs from the file's bytes\n");
        return 1;
    }
    std::printf("hex_loader: %.2f MB of Intel HEX, best of %d rounds\n", megabytes, kRounds);
    std::printf("  loadHexImage:  %7.1f MB/s\n", megabytes / best);
    if (!havePeer) {
        std::printf("  srec_cat:      not available (Debian package srecord)\n");
        return 0;
    }
    std::printf("  srec_cat:      %7.1f MB/s (process start included)\n", megabytes / peer);
    std::printf("  ratio:         %.2f x srec_cat (target > 1)\n", peer / best);
    return peer / best > 1.0 ? 0 : 1;
}
