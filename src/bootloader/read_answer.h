// Where the data of a memory-read answer sit in its frame. The box answers a read with the address, the
// byte count and the data; with a packet data size of 48 the data start at byte 7 (the same place as in a
// full 48-byte program-data frame), with every other size they are right-aligned so that the last is
// byte 64. Every reader of answers (image copy, identity read, read-back) goes through this one rule.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "bootloader/frames.h"
#include "hid/backend.h"

namespace bootloader {

inline constexpr std::uint8_t kLeftAlignedPacketSize = 48;
inline constexpr std::size_t kFirstAnswerDataByte = 7;

struct ReadAnswer {
    std::uint32_t address = 0;           // device address of the first data byte
    std::span<const std::uint8_t> data;  // the answer's data bytes, inside the frame
};

// The answer's data for packet data size packetDataSize; nothing when its count cannot fit the frame
// (a lying answer) or is 0.
[[nodiscard]] inline std::optional<ReadAnswer> decodeReadAnswer(const hid::Report& answer,
                                                                std::uint8_t packetDataSize) {
    const std::size_t count = answer[6];
    if (count == 0 || count > kMaxFrameData) return std::nullopt;
    const std::size_t first =
        packetDataSize == kLeftAlignedPacketSize ? kFirstAnswerDataByte : hid::kReportSize - count;
    return ReadAnswer{frameAddress(answer), std::span<const std::uint8_t>(answer.data() + first, count)};
}

}  // namespace bootloader
