// The command codes the simulated box answers (byte 1 of a host report), for target 0; target 1 uses the
// same code + 0x20, except command 0x50, which has one form.
#pragma once

#include <cstdint>

namespace sim {

enum class BoxCommand : std::uint8_t {
    query = 0x01,
    erase = 0x02,
    programData = 0x03,
    programComplete = 0x04,
    readMemory = 0x05,
    command06 = 0x06,
    eraseUserData = 0x09,
    reset = 0x12,
    command50 = 0x50,
};

inline constexpr std::uint8_t kTargetOneOffset = 0x20;

}  // namespace sim
