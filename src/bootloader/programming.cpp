#include "bootloader/programming.h"

#include <array>
#include <mutex>

#include "bootloader/frames.h"
#include "bootloader/long_operations.h"
#include "bootloader/settings.h"
#include "bootloader/tables.h"
#include "bootloader/transfer.h"

namespace bootloader {
namespace {

enum ProgramResult : int {
    kProgramOk = 0,
    kQueryWriteAfterEraseFailed = 1,
    kEraseAnswerReadFailed = 2,
    kEraseWriteFailed = 6,
};

struct ProgrammingState {
    std::mutex mutex;
    std::array<PacketCounts, 2> counts;
};

ProgrammingState& state() {
    static ProgrammingState instance;
    return instance;
}

void storeCounts(int target, const PacketCounts& counts) {
    std::lock_guard lock(state().mutex);
    state().counts[target == 1 ? 1 : 0] = counts;
}

int fail(BootLoader& session, std::uint8_t status, int result) {
    session.programStatus = status;
    return result;
}

}  // namespace

PacketCounts lastProgramCounts(int target) {
    std::lock_guard lock(state().mutex);
    return state().counts[target == 1 ? 1 : 0];
}

void resetProgramCounts() {
    std::lock_guard lock(state().mutex);
    state().counts = {};
}

int programDevice(BootLoader& session) {
    const std::int32_t target = session.target;
    const MemoryMap& map = memoryMap();
    storeCounts(target, {});
    WriteStream stream(session);  // a failed open shows up as a failed first write
    session.programStatus = kProgramErasing;
    session.progress = 0;
    // A layout the packets cannot be cut for is refused before the box is touched.
    if (!layoutIsProgrammable(map)) return fail(session, kProgramWriteFailed, kLayoutUnusable);

    if (!stream.write(commandFrame(kCmdErase, target)))
        return fail(session, kProgramWriteFailed, kEraseWriteFailed);
    if (!stream.write(commandFrame(kCmdQuery, target)))
        return fail(session, kProgramWriteFailed, kQueryWriteAfterEraseFailed);
    session.progress = 50;
    // The box answers the query once its erase has finished; the data must not come sooner.
    hid::Report answer{};
    if (!stream.readAnswer(answer, transferSettings().eraseAnswerTimeoutMs))
        return fail(session, kProgramEraseAnswerFailed, kEraseAnswerReadFailed);
    session.programStatus = kProgramWriting;

    PacketWriter writer;
    writer.write = [&stream](const Frame& frame) { return stream.write(frame); };
    writer.progress = [&session](int percent) { session.progress = static_cast<std::uint8_t>(percent); };
    PacketCounts counts;
    const int result = writeProgramPackets(map, target, session.options, writer, &counts);
    storeCounts(target, counts);
    if (result != kPacketsWritten) return fail(session, kProgramWriteFailed, result);
    session.progress = 100;
    session.programStatus = kProgramDone;
    return kProgramOk;
}

}  // namespace bootloader
