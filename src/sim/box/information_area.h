// The box's information area as its maker writes it: the firmware block at 0x1D07C000 and the identity
// and reseller blocks at 0x1D07E000..0x1D07E02F, each AES-128 encrypted under the identity key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class SimBackend;

struct BoxIdentity {
    std::string reference = "AK02";  // 4 characters at most
    std::uint32_t serial = 12345;
    int day = 14, month = 9, year = 2010;
    std::string reseller = "Arvex";                      // 32 characters at most
    std::optional<std::string> firmwareVersion = "1.0";  // 8 characters at most; none: the block says so
    std::optional<std::uint32_t> hardwareVersion = 2;    // none: 0xFFFFFFFF
};

inline constexpr std::uint32_t kFirmwareBlock = 0x1D07C000;
inline constexpr std::uint32_t kIdentityBlock = 0x1D07E000;

struct SealedBlock {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;  // 16 encrypted bytes
};

// The firmware block for a version text (none: the block says the box has no version), sealed under the key:
// what a firmware image carries at kFirmwareBlock.
std::vector<std::uint8_t> sealFirmwareBlock(const std::optional<std::string>& version,
                                            const std::array<std::uint8_t, 16>& key);

// The four encrypted blocks for an identity, in address order.
std::vector<SealedBlock> sealInformationArea(const BoxIdentity& identity,
                                             const std::array<std::uint8_t, 16>& key);

// Writes the information area of one target of a box (the backend's first unless told) under the key.
void writeInformationArea(SimBackend& box, int target, const BoxIdentity& identity,
                          const std::array<std::uint8_t, 16>& key, std::size_t boxIndex = 0);

}  // namespace sim
