#include "bootloader/programming.h"

#include <array>

#include "base/result.h"

#include "bootloader/frames.h"
#include "bootloader/long_operations.h"
#include "bootloader/transfer.h"

namespace bootloader {
namespace {

// The programming result shares its numbers with the packet writer's (3, 4, 5, 7).
enum class ProgramResult : int {
    ok = 0,
    queryWriteAfterEraseFailed = 1,
    eraseAnswerReadFailed = 2,
    eraseWriteFailed = 6,
};

template <class Result>
int fail(BootLoader& session, ProgramStatus status, Result result) {
    session.programStatus = status;
    return base::code(result);
}

}  // namespace

int programDevice(BootLoader& session) {
    const std::int32_t target = session.target;
    const MemoryMap& map = session.memoryMap();
    session.storeProgramCounts(target, {});
    WriteStream stream(session);  // a failed open shows up as a failed first write
    session.programStatus = ProgramStatus::erasing;
    session.progress = 0;
    // A layout the packets cannot be cut for is refused before the box is touched.
    if (!layoutIsProgrammable(map))
        return fail(session, ProgramStatus::writeFailed, PacketWriteResult::layoutUnusable);

    if (!stream.write(commandFrame(kCmdErase, target)))
        return fail(session, ProgramStatus::writeFailed, ProgramResult::eraseWriteFailed);
    if (!stream.write(commandFrame(kCmdQuery, target)))
        return fail(session, ProgramStatus::writeFailed, ProgramResult::queryWriteAfterEraseFailed);
    session.progress = 50;
    // The box answers the query once its erase has finished; the data must not come sooner.
    hid::Report answer{};
    if (!stream.readAnswer(answer, session.transferSettings().eraseAnswerTimeoutMs))
        return fail(session, ProgramStatus::eraseAnswerFailed, ProgramResult::eraseAnswerReadFailed);
    session.programStatus = ProgramStatus::writing;

    PacketWriter writer;
    writer.write = [&stream](const Frame& frame) { return stream.write(frame); };
    writer.progress = [&session](int percent) { session.progress = static_cast<std::uint8_t>(percent); };
    PacketCounts counts;
    const PacketWriteResult result = writeProgramPackets(map, target, session.options, writer, &counts);
    session.storeProgramCounts(target, counts);
    if (result != PacketWriteResult::written) return fail(session, ProgramStatus::writeFailed, result);
    session.progress = 100;
    session.programStatus = ProgramStatus::done;
    return base::code(ProgramResult::ok);
}

}  // namespace bootloader
