#include "bootloader/identity_read.h"

#include <algorithm>
#include <vector>

#include "bootloader/long_operations.h"
#include "bootloader/transfer.h"

namespace bootloader {

void applyIdentityBlock(std::uint32_t address, const IdentityBlock& plain, IdentityScratch& scratch,
                        BootLoaderField& field) {
    switch (address) {
        case kFirmwareBlockAddress:
            decodeFirmwareBlock(plain, scratch, field.firmwareVersion);
            break;
        case kIdentityBlockAddress:
            decodeIdentityBlock(plain, scratch, field.serial, field.reference, field.date,
                                field.hardwareVersion);
            break;
        case kResellerBlock1Address:
            decodeResellerBlock(plain, 0, scratch, field.reseller);
            break;
        case kResellerBlock2Address:
            decodeResellerBlock(plain, 1, scratch, field.reseller);
            break;
        default:
            break;
    }
}

int readDeviceInformation(BootLoader& session) {
    const int target = session.target == 1 ? 1 : 0;
    SessionTables& shared = session.tables();
    const MemoryMap& map = shared.map;

    // Every region holding the information area is read from its first block to the region's end.
    std::vector<std::size_t> regions;
    const std::size_t regionCount = std::min<std::size_t>(map.regionCount, kMaxRegions);
    for (std::size_t i = 0; i < regionCount; ++i) {
        const Region& region = map.regions[i];
        // A region the session refused (no image: too large or not addressable) is not read: a lying
        // size of 0xFFFFFFFF units would keep the read going for hours.
        if (region.start <= kFirmwareBlockAddress &&
            kFirmwareBlockAddress < std::uint64_t{region.start} + region.size && !map.images[i].empty())
            regions.push_back(i);
    }

    IdentityBlockCollector collector(session.identityKey, map.bytesPerAddress, map.packetDataSize,
                                     [&](std::uint32_t address, const IdentityBlock& plain) {
                                         applyIdentityBlock(address, plain, shared.scratch[target],
                                                            session.identity[target]);
                                     });
    const ReadMemoryOutcome outcome =
        readMemory(session, regions, kFirmwareBlockAddress,
                   [&collector](const hid::Report& answer) { collector.consume(answer); });
    switch (outcome) {
        case ReadMemoryOutcome::done:
            session.readStatus = IdentityReadStatus::done;
            break;
        case ReadMemoryOutcome::writeOpenFailed:
            session.readStatus = IdentityReadStatus::writeOpenFailed;
            break;
        default:
            session.readStatus = IdentityReadStatus::failed;
            break;
    }
    session.progress = 100;
    return 0;
}

}  // namespace bootloader
