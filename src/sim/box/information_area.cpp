#include "sim/box/information_area.h"

#include <algorithm>

#include "sim/box/aes_encrypt.h"
#include "sim/box/sim_backend.h"

namespace sim {
namespace {

std::uint8_t bcd(int value) {
    return static_cast<std::uint8_t>((value / 10 % 10) << 4 | value % 10);
}

void putLittleEndian(AesBlock& block, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Text bytes at `at`, at most `length` of them, the rest zero.
void putText(AesBlock& block, std::size_t at, const std::string& text, std::size_t length) {
    const std::size_t count = std::min(text.size(), length);
    std::copy_n(text.begin(), count, block.begin() + static_cast<long>(at));
}

AesBlock sealed(const AesBlock& plain, const std::array<std::uint8_t, 16>& key) {
    AesBlock out{};
    aesEncryptBlock128(plain, key, out);
    return out;
}

AesBlock firmwarePlain(const std::optional<std::string>& version) {
    AesBlock firmware{};
    if (version)
        putText(firmware, 8, *version, 8);
    else
        std::fill(firmware.begin() + 8, firmware.end(), 0xFF);
    return firmware;
}

}  // namespace

std::vector<std::uint8_t> sealFirmwareBlock(const std::optional<std::string>& version,
                                            const std::array<std::uint8_t, 16>& key) {
    const AesBlock block = sealed(firmwarePlain(version), key);
    return {block.begin(), block.end()};
}

std::vector<SealedBlock> sealInformationArea(const BoxIdentity& identity,
                                             const std::array<std::uint8_t, 16>& key) {
    const AesBlock firmware = firmwarePlain(identity.firmwareVersion);

    AesBlock info{};
    putLittleEndian(info, 0, identity.serial);
    putText(info, 4, identity.reference, 4);
    info[8] = bcd(identity.year % 100);
    info[9] = bcd(identity.year / 100);
    info[10] = bcd(identity.month);
    info[11] = bcd(identity.day);
    putLittleEndian(info, 12, identity.hardwareVersion.value_or(0xFFFFFFFF));

    AesBlock reseller1{}, reseller2{};
    putText(reseller1, 0, identity.reseller, 16);
    if (identity.reseller.size() > 16) putText(reseller2, 0, identity.reseller.substr(16), 16);

    std::vector<SealedBlock> blocks;
    const std::pair<std::uint32_t, const AesBlock*> plain[] = {{kFirmwareBlock, &firmware},
                                                               {kIdentityBlock, &info},
                                                               {kIdentityBlock + 0x10, &reseller1},
                                                               {kIdentityBlock + 0x20, &reseller2}};
    for (const auto& [address, block] : plain) {
        const AesBlock out = sealed(*block, key);
        blocks.push_back({address, std::vector<std::uint8_t>(out.begin(), out.end())});
    }
    return blocks;
}

void writeInformationArea(SimBackend& box, int target, const BoxIdentity& identity,
                          const std::array<std::uint8_t, 16>& key, std::size_t boxIndex) {
    for (const SealedBlock& block : sealInformationArea(identity, key))
        box.setMemory(target, block.address, block.bytes, boxIndex);
}

}  // namespace sim
