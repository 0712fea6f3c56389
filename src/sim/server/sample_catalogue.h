// The sample catalogue the stand-in server ships: folders, a sub-folder, release notes and firmware
// containers carrying Intel HEX images for the simulated box's default layout. The images are made at start
// (deterministic, nothing stored): the current AK02 image is as large as a real one (384 KiB), and every
// image carries its firmware block, so that the box reports the new version after an update.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct SampleImage {
    std::uint32_t address = 0;                // byte address of the first byte of program code
    std::vector<std::uint8_t> bytes;          // what the box's memory holds from address on after programming
    std::string firmwareVersion;              // the version text sealed into the firmware block
    std::vector<std::uint8_t> firmwareBlock;  // the 16 sealed bytes at 0x1D07C000 after programming
    std::string hexText;                      // the Intel HEX text of both (ends with the end-of-file record)
};

enum class SampleImageId { ak02Current, ak02Older, ak03Target0, ak03Target1 };

// The exact image inside the sample containers, for comparing box memory after an update.
SampleImage sampleImage(SampleImageId id);

// Intel HEX text for bytes at address: 16-byte data records, type-4 records at 64 KiB boundaries, LF endings.
std::string intelHex(std::uint32_t address, const std::vector<std::uint8_t>& bytes);

struct HexSpan {
    std::uint32_t address = 0;
    const std::vector<std::uint8_t>* bytes = nullptr;
};
// The same for several spans in the given order, one end-of-file record at the end.
std::string intelHex(const std::vector<HexSpan>& spans);

// A firmware container: "1", the two instruction words, marker line A and image A, then marker line B and
// image B when imageB is not empty.
std::string firmwareContainer(const std::string& imageA, const std::string& imageB);

// Paths of the sample files below the catalogue folder.
inline constexpr const char* kSampleAk02Current = "AK02/ak02_fw_1.3.hex";      // target 0 only
inline constexpr const char* kSampleAk02Older = "AK02/Older/ak02_fw_1.2.hex";  // target 0 only
inline constexpr const char* kSampleAk03Dual = "AK03/ak03_fw_2.0.hex";         // both targets
inline constexpr const char* kSampleReleaseNotes = "release_notes.txt";

// Writes the sample tree into folder (created when missing). False when a file cannot be written.
bool writeSampleCatalogue(const std::string& folder);

}  // namespace sim
