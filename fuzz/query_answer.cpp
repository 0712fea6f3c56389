// The box's query answer, as the fuzzer's bytes, driven through the session open (the simulated box sends
// them in place of its own answer), the load of a fixed small HEX image and the packet writer into a frame
// sink. Every data frame must carry at most a frame's data and an address inside a region of the layout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "bootloader/frames.h"
#include "bootloader/hex_loader.h"
#include "bootloader/line_reader.h"
#include "bootloader/packet_writer.h"
#include "bootloader/session.h"
#include "bootloader/settings.h"
#include "bootloader/tables.h"
#include "hid/backend.h"
#include "sim/box/sim_backend.h"

namespace {

// Records at the usual program, boot and information addresses, in both address forms.
constexpr const char* kImage =
    ":020000041D00DD\n"
    ":10000000000102030405060708090A0B0C0D0E0F78\n"
    ":10FFF000101112131415161718191A1B1C1D1E1F89\n"
    ":020000041D07D6\n"
    ":10C00000414B303200000000000000000000000042\n"
    ":020000041FC01B\n"
    ":102FF000FFFFFFFFFFFFFFFF0011223344556677FD\n"
    ":020000043A00C0\n"
    ":1000000088776655443322110011223344556677B0\n"
    ":00000001FF\n";

struct Fixture {
    Fixture() {
        box = std::make_shared<sim::SimBackend>();
        session = std::make_unique<bootloader::BootLoader>(box);
        session->transferSettings().answerTimeoutMs = 200;
        session->transferSettings().inactivityWindowMs = 50;
        const std::uint8_t options = 0;  // operations on the calling thread
        (void)session->setOptions(&options);
        (void)session->connect();
        box->setAnswerFilter([this](hid::Report& answer) {
            if (answer[1] == bootloader::kCmdQuery) answer = queryAnswer;
        });
    }
    std::shared_ptr<sim::SimBackend> box;
    std::unique_ptr<bootloader::BootLoader> session;
    hid::Report queryAnswer{};
};

bool insideSomeRegion(const bootloader::MemoryMap& map, std::uint32_t address) {
    for (std::size_t r = 0; r < map.regionCount; ++r) {
        const bootloader::Region& region = map.regions[r];
        if (address >= region.start && std::uint64_t{address} < std::uint64_t{region.start} + region.size)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    fixture.queryAnswer = {};
    std::memcpy(fixture.queryAnswer.data(), data, std::min(size, fixture.queryAnswer.size()));
    // Sizes the open would allocate are cut to 16 K units, so that a run takes milliseconds; sizes it must
    // refuse (images above 64 MiB) go through as they are.
    for (std::size_t at = 9; at + 4 <= 40; at += 9) {
        std::uint8_t* field = &fixture.queryAnswer[at];
        if (bootloader::littleEndian32(field) > 0x04000000) continue;
        field[1] &= 0x3F;
        field[2] = field[3] = 0;
    }
    fixture.session->memoryMap() = bootloader::MemoryMap{};
    if (fixture.session->openSession() != 0) return 0;

    const bootloader::MemoryMap& map = fixture.session->memoryMap();
    bootloader::StringLineReader reader(kImage);
    (void)bootloader::loadHexImageWithReport(*fixture.session, reader);

    const auto sink = [&map](const bootloader::Frame& frame) {
        if (frame[1] == bootloader::kCmdProgramData) {
            if (frame[6] > bootloader::kMaxPacketData) __builtin_trap();
            if (!insideSomeRegion(map, bootloader::frameAddress(frame))) __builtin_trap();
        }
        return true;
    };
    for (const std::uint8_t options : {std::uint8_t{0}, bootloader::kOptionWriteProtectedArea})
        (void)bootloader::writeProgramPackets(map, 0, options, bootloader::PacketWriter{sink, {}});
    return 0;
}
