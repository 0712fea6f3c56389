// Decoding the box's information area: the encrypted 16-byte blocks of the firmware version, the identity
// and the reseller name, gathered from memory-read answers and decrypted one block at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "bootloader/tables.h"

namespace bootloader {

inline constexpr std::uint32_t kFirmwareBlockAddress = 0x1D07C000;
inline constexpr std::uint32_t kIdentityBlockAddress = 0x1D07E000;
inline constexpr std::uint32_t kResellerBlock1Address = 0x1D07E010;
inline constexpr std::uint32_t kResellerBlock2Address = 0x1D07E020;
inline constexpr std::size_t kIdentityBlockSize = 16;

using IdentityBlock = std::array<std::uint8_t, kIdentityBlockSize>;

// The decoders take a decrypted block and update the scratch and the texts shown for the box.
void decodeFirmwareBlock(const IdentityBlock& plain, IdentityScratch& scratch, std::string& firmwareVersion);
void decodeIdentityBlock(const IdentityBlock& plain, IdentityScratch& scratch, std::string& serial,
                         std::string& reference, std::string& date, std::string& hardwareVersion);
// half 0: characters 1-16, half 1: characters 17-32. A block starting with 0xFF leaves its half alone.
void decodeResellerBlock(const IdentityBlock& plain, int half, IdentityScratch& scratch,
                         std::string& reseller);

// Collects the four information blocks from memory-read answers, by the address each answer carries and
// its data where decodeReadAnswer finds them for the packet size. Only the 65 bytes of the frame are ever
// read: an answer whose byte count cannot fit the frame is ignored. A block may arrive split over two
// answers; once all its 16 bytes are in, it is decrypted with the identity key and handed on; an erased block
// (all 0xFF) is handed on as all 0xFF.
class IdentityBlockCollector {
public:
    using BlockHandler = std::function<void(std::uint32_t address, const IdentityBlock& plain)>;

    IdentityBlockCollector(const std::array<std::uint8_t, 16>& identityKey, std::uint8_t bytesPerAddress,
                           std::uint8_t packetDataSize, BlockHandler handler);

    void consume(const std::array<std::uint8_t, 65>& answer);

private:
    struct Pending {
        std::uint32_t address;
        IdentityBlock bytes{};
        std::uint32_t received = 0;  // one bit per byte
    };

    std::array<std::uint8_t, 16> key_;
    std::uint8_t packetDataSize_;
    std::uint64_t unitBytes_;
    BlockHandler handler_;
    std::array<Pending, 4> blocks_;
};

}  // namespace bootloader
