#include "bootloader/identity_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bootloader/frames.h"
#include "bootloader/read_answer.h"
#include "crypto/aes.h"

namespace bootloader {
namespace {

constexpr std::uint32_t kAllBytes = (1u << kIdentityBlockSize) - 1;
constexpr std::uint32_t kNoHardwareVersion = 0xFFFFFFFF;

template <std::size_t N>
std::string textOf(const std::array<char, N>& scratch) {
    return std::string(scratch.data(), strnlen(scratch.data(), N));
}

}  // namespace

void decodeFirmwareBlock(const IdentityBlock& plain, IdentityScratch& scratch, std::string& firmwareVersion) {
    std::copy_n(plain.begin() + 8, 8, scratch.firmwareVersion.begin());
    scratch.firmwareVersion[8] = 0;
    const bool allErased =
        std::all_of(plain.begin() + 8, plain.end(), [](std::uint8_t b) { return b == 0xFF; });
    if (allErased) scratch.firmwareVersion[0] = 0;
    firmwareVersion = textOf(scratch.firmwareVersion);
}

void decodeIdentityBlock(const IdentityBlock& plain, IdentityScratch& scratch, std::string& serial,
                         std::string& reference, std::string& date, std::string& hardwareVersion) {
    char buffer[32];
    scratch.serial = littleEndian32(plain.data());
    std::snprintf(buffer, sizeof buffer, "%08llu", static_cast<unsigned long long>(scratch.serial));
    serial = buffer;

    std::copy_n(plain.begin() + 4, 4, scratch.reference.begin());
    scratch.reference[4] = 0;
    reference = textOf(scratch.reference);

    // Day, month, century and year are BCD: their hex digits are the decimal digits.
    std::snprintf(buffer, sizeof buffer, "%02X-%02X-%02X%02X", plain[11], plain[10], plain[9], plain[8]);
    date = buffer;

    scratch.hardwareVersion = littleEndian32(plain.data() + 12);
    if (scratch.hardwareVersion == kNoHardwareVersion) {
        hardwareVersion.clear();
    } else {
        std::snprintf(buffer, sizeof buffer, "%u", scratch.hardwareVersion);
        hardwareVersion = buffer;
    }
}

void decodeResellerBlock(const IdentityBlock& plain, int half, IdentityScratch& scratch,
                         std::string& reseller) {
    if (plain[0] != 0xFF)
        std::copy(plain.begin(), plain.end(),
                  scratch.reseller.begin() + (half == 0 ? 0 : kIdentityBlockSize));
    scratch.reseller[32] = 0;
    reseller = textOf(scratch.reseller);
}

IdentityBlockCollector::IdentityBlockCollector(const std::array<std::uint8_t, 16>& identityKey,
                                               std::uint8_t bytesPerAddress, std::uint8_t packetDataSize,
                                               BlockHandler handler)
    : key_(identityKey),
      packetDataSize_(packetDataSize),
      unitBytes_(bytesPerAddress == 0 ? 1 : bytesPerAddress),
      handler_(std::move(handler)),
      blocks_{{{kFirmwareBlockAddress},
               {kIdentityBlockAddress},
               {kResellerBlock1Address},
               {kResellerBlock2Address}}} {}

void IdentityBlockCollector::consume(const std::array<std::uint8_t, 65>& answer) {
    const std::optional<ReadAnswer> decoded = decodeReadAnswer(answer, packetDataSize_);
    if (!decoded) return;
    const std::uint8_t* data = decoded->data.data();
    // Byte positions in image bytes, so two-byte units place their data like the image copy does. With
    // one-byte units and 48-byte packets this is the 16-byte chunk k at frame byte 7 + 16k belonging to
    // the answer's address + 16k.
    const std::uint64_t first = std::uint64_t{decoded->address} * unitBytes_;
    const std::uint64_t last = first + decoded->data.size();
    for (Pending& block : blocks_) {
        const std::uint64_t blockFirst = block.address * unitBytes_;
        const std::uint64_t from = std::max(first, blockFirst);
        const std::uint64_t to = std::min(last, blockFirst + kIdentityBlockSize);
        if (from >= to) continue;
        for (std::uint64_t at = from; at < to; ++at) {
            block.bytes[at - blockFirst] = data[at - first];
            block.received |= 1u << (at - blockFirst);
        }
        if (block.received != kAllBytes) continue;
        block.received = 0;
        IdentityBlock plain = block.bytes;
        // Erased flash holds no block: it reads as an all-0xFF plain block ("none") rather than as the
        // noise that decrypting 0xFF bytes would give.
        const bool erased = std::all_of(plain.begin(), plain.end(), [](std::uint8_t b) { return b == 0xFF; });
        if (!erased &&
            crypto::aesDecryptBlock128(plain.data(), plain.data(), key_.data()) != crypto::AesResult::ok)
            continue;
        if (handler_) handler_(block.address, plain);
    }
}

}  // namespace bootloader
