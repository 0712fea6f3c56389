// The simulated box's command interpreter: what each host report does to the box.
#include "sim/box/box_commands.h"
#include "sim/box/sim_backend.h"

namespace sim {

namespace {

using std::chrono::milliseconds;
constexpr int kPacedEraseMs = 1500;  // a full-size flash part erases in one to three seconds

}  // namespace

void SimBackend::process(std::size_t boxIndex, const hid::Report& frame, Clock::time_point sentAt) {
    Box& box = boxes_[boxIndex];
    const std::uint8_t command = frame[1];
    if (command == static_cast<std::uint8_t>(BoxCommand::command50)) {
        ++box.command50;
        return;
    }
    const int target = command >= kTargetOneOffset ? 1 : 0;
    BoxMemory& memory = box.targets[target];
    CommandCounts& counts = box.counts[target];
    switch (static_cast<BoxCommand>(command - kTargetOneOffset * target)) {
        case BoxCommand::query:
            ++counts.query;
            deliver(boxIndex, memory.queryAnswer(command), sentAt);
            break;
        case BoxCommand::erase:
            ++counts.erase;
            memory.erase(box.config.protectedStart, box.config.protectedEnd);
            {
                const int eraseMs = settings_.eraseMs >= 0 ? settings_.eraseMs
                                    : settings_.paced      ? kPacedEraseMs
                                                           : 0;
                box.link.holdAnswersUntil(sentAt + milliseconds(eraseMs));
            }
            break;
        case BoxCommand::programData:
            ++counts.programData;
            memory.programData(frame);
            break;
        case BoxCommand::programComplete:
            ++counts.programComplete;
            break;
        case BoxCommand::readMemory:
            ++counts.readMemory;
            deliver(boxIndex, memory.readAnswer(frame), sentAt);
            break;
        case BoxCommand::command06:
            ++counts.command06;
            break;
        case BoxCommand::eraseUserData:
            ++counts.eraseUserData;
            break;
        case BoxCommand::reset:
            ++counts.reset;
            // Processor 0 carries the USB interface: only its reset takes the box off the bus.
            if (target == 0) {
                box.offBusUntil = Clock::now() + milliseconds(settings_.resetOffBusMs);
                leaveBus(box);
            }
            break;
        default:
            break;  // unknown commands are ignored, like the box does
    }
}

}  // namespace sim
