// Memory-read answers from the box: the data decoder, the identity block collector with its decoders, and
// the placement into a region image, for any 65 bytes and any packet geometry. The input's first two bytes
// pick the packet data size and the bytes per address; each further 65 bytes are one answer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "bootloader/identity_decoder.h"
#include "bootloader/read_answer.h"
#include "bootloader/tables.h"
#include "bootloader/transfer.h"

namespace {

void decodeBlock(std::uint32_t address, const bootloader::IdentityBlock& plain) {
    bootloader::IdentityScratch scratch;
    std::string a, b, c, d;
    if (address == bootloader::kFirmwareBlockAddress) bootloader::decodeFirmwareBlock(plain, scratch, a);
    if (address == bootloader::kIdentityBlockAddress)
        bootloader::decodeIdentityBlock(plain, scratch, a, b, c, d);
    if (address == bootloader::kResellerBlock1Address) bootloader::decodeResellerBlock(plain, 0, scratch, a);
    if (address == bootloader::kResellerBlock2Address) bootloader::decodeResellerBlock(plain, 1, scratch, a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t packetDataSize = data[0];
    const std::uint8_t bytesPerAddress = data[1] & 3;
    data += 2;
    size -= 2;

    bootloader::MemoryMap map;
    map.packetDataSize = packetDataSize;
    map.bytesPerAddress = bytesPerAddress;
    map.regions[0] = {0, bootloader::kFirmwareBlockAddress, 0x2040};
    map.regionCount = 1;
    map.images[0].assign((std::size_t{map.regions[0].size} + 1) * bytesPerAddress, 0xFF);

    const std::array<std::uint8_t, 16> key{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    bootloader::IdentityBlockCollector collector(key, bytesPerAddress, packetDataSize, decodeBlock);
    for (; size >= hid::kReportSize; data += hid::kReportSize, size -= hid::kReportSize) {
        hid::Report answer;
        std::memcpy(answer.data(), data, answer.size());
        if (const auto decoded = bootloader::decodeReadAnswer(answer, packetDataSize)) {
            const std::uint8_t* first = decoded->data.data();
            if (first < answer.data() || first + decoded->data.size() > answer.data() + answer.size())
                __builtin_trap();
        }
        collector.consume(answer);
        (void)bootloader::placeAnswer(map, 0, answer);
    }
    return 0;
}
