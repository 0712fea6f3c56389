// The bootloader's command codes and the 65-byte frames built from them.
#pragma once

#include <cstdint>

#include "hid/backend.h"

namespace bootloader {

enum Command : std::uint8_t {
    kCmdQuery = 0x01,
    kCmdErase = 0x02,
    kCmdProgramData = 0x03,
    kCmdProgramComplete = 0x04,
    kCmdReadMemory = 0x05,
    kCmd06 = 0x06,
    kCmdEraseUserData = 0x09,
    kCmdReset = 0x12,
    kCmd50 = 0x50,
};

inline constexpr std::uint8_t kTargetOffset = 0x20;

// The code on the wire: + 0x20 for target 1, except command 0x50, which has one form.
[[nodiscard]] inline std::uint8_t commandCode(Command command, std::int32_t target) {
    if (command == kCmd50 || target != 1) return command;
    return static_cast<std::uint8_t>(command + kTargetOffset);
}

// A zero-filled frame carrying only the command code.
inline hid::Report commandFrame(Command command, std::int32_t target) {
    hid::Report frame{};
    frame[1] = commandCode(command, target);
    return frame;
}

inline void putAddress(hid::Report& frame, std::uint32_t address) {
    for (int i = 0; i < 4; ++i) frame[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
}

// The box's numbers are little-endian words.
inline std::uint32_t littleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

[[nodiscard]] inline std::uint32_t frameAddress(const hid::Report& frame) {
    return littleEndian32(&frame[2]);
}

// Data bytes a frame holds after command, address and count.
inline constexpr std::size_t kMaxFrameData = hid::kReportSize - 7;

}  // namespace bootloader
