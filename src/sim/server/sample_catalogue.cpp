#include "sim/server/sample_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "arvex/config.h"
#include "sim/box/hex_writer.h"
#include "sim/box/information_area.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// Deterministic, varied bytes (never a whole packet of 0xFF), different for every seed.
std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed;
    for (std::uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

bool writeFile(const fs::path& path, const std::string& contents) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}

}  // namespace

std::string intelHex(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    return sim::toIntelHex({{address, bytes}}, false);
}

std::string intelHex(const std::vector<HexSpan>& spans) {
    std::vector<sim::HexImage> images;
    images.reserve(spans.size());
    for (const auto& [address, bytes] : spans) images.push_back({address, *bytes});
    return sim::toIntelHex(images, false);
}

SampleImage sampleImage(SampleImageId id) {
    SampleImage image;
    switch (id) {
        case SampleImageId::ak02Current:  // as large as a real image; starts off a 64 KiB boundary
            image.address = 0x1D00F800;
            image.bytes = patternBytes(std::size_t{384} * 1024, 0xA02013);
            image.firmwareVersion = "1.3";
            break;
        case SampleImageId::ak02Older:
            image.address = 0x1D000000;
            image.bytes = patternBytes(0x0C00, 0xA02012);
            image.firmwareVersion = "1.2";
            break;
        case SampleImageId::ak03Target0:
            image.address = 0x1D000000;
            image.bytes = patternBytes(0x1000, 0xA03020);
            image.firmwareVersion = "2.0";
            break;
        case SampleImageId::ak03Target1:
            image.address = 0x1D004000;
            image.bytes = patternBytes(0x0A00, 0xB03020);
            image.firmwareVersion = "2.0";
            break;
    }
    // Sealed the way the box's maker seals it; the updater only decrypts it when it reads the identity.
    image.firmwareBlock = sim::sealFirmwareBlock(image.firmwareVersion, arvex::config::kIdentityKey);
    image.hexText = intelHex({{image.address, &image.bytes}, {sim::kFirmwareBlock, &image.firmwareBlock}});
    return image;
}

std::string firmwareContainer(const std::string& imageA, const std::string& imageB) {
    std::string text = "1\r\nRESET\r\nERASE_USER_DATA\r\n:0000000aff\n" + imageA;
    if (!imageB.empty()) text += ":0000000bff\n" + imageB;
    return text;
}

bool writeSampleCatalogue(const std::string& folder) {
    const fs::path root(folder);
    const std::string notes =
        "Arvex firmware release notes\r\n\r\n"
        "AK02 1.3: faster start-up, new CAN filters.\r\n"
        "AK02 1.2: first public release.\r\n"
        "AK03 2.0: both processors updated together.\r\n";
    return writeFile(root / kSampleAk02Current,
                     firmwareContainer(sampleImage(SampleImageId::ak02Current).hexText, "")) &&
           writeFile(root / kSampleAk02Older,
                     firmwareContainer(sampleImage(SampleImageId::ak02Older).hexText, "")) &&
           writeFile(root / kSampleAk03Dual,
                     firmwareContainer(sampleImage(SampleImageId::ak03Target0).hexText,
                                       sampleImage(SampleImageId::ak03Target1).hexText)) &&
           writeFile(root / kSampleReleaseNotes, notes) &&
           writeFile(root / "AK02" / ".prices", "ak02_fw_1.3.hex 9.90\nak02_fw_1.2.hex 0\n");
}

}  // namespace sim
