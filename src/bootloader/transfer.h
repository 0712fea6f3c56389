// The four ways the operations talk to the box: a one-shot command, a request with one answer, a stream
// of writes, and the pipelined memory read. Each opens the device path itself and closes it at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "bootloader/session.h"
#include "hid/backend.h"

namespace bootloader {

enum class SendOutcome : int { done = 0, openFailed = 1, writeFailed = 2 };

// Writes the frames in order on one write handle; SendOutcome::writeFailed when any write failed.
// lastWriteFailed, when given, tells whether the last frame failed (false when there were none).
[[nodiscard]] SendOutcome sendCommand(BootLoader& session, std::span<const hid::Report> frames,
                                      bool* lastWriteFailed = nullptr);
[[nodiscard]] SendOutcome sendCommand(BootLoader& session, const hid::Report& frame);

enum class ExchangeOutcome : int {
    done = 0,
    writeOpenFailed = 1,
    readOpenFailed = 2,
    writeFailed = 3,
    readFailed = 4,  // also when no answer came within answerTimeoutMs
};

[[nodiscard]] ExchangeOutcome exchange(BootLoader& session, const hid::Report& request, hid::Report& answer);

// A write handle for any number of frames, and a read handle for the one answer the stream waits for.
// Open outcomes land in the session's writeOpenError and readOpenError.
class WriteStream {
public:
    explicit WriteStream(BootLoader& session);
    [[nodiscard]] bool writeOpened() const { return writer_.isOpen(); }
    bool readOpened() const { return reader_.isOpen(); }
    [[nodiscard]] bool write(const hid::Report& frame);  // false when the frame was not written
    [[nodiscard]] bool readAnswer(hid::Report& answer, int timeoutMs);  // false on error or after timeoutMs

private:
    hid::Device writer_;
    hid::Device reader_;
};

enum class ReadMemoryOutcome : int { done = 0, writeOpenFailed = 1, failed = 2 };

using ReplyConsumer = std::function<void(const hid::Report& answer)>;

inline constexpr int kMaxRequestsInFlight = 10;

// Reads each listed region of the memory map from max(firstAddress, region start) to its end, keeping
// up to 10 requests in flight. Answers land in the region's image by the address they carry and go to
// consumeReply in arrival order. Fails on a read-open, write or read error, or after two inactivity
// windows without traffic; also when the packet geometry is unusable (zero sizes, M / N of 0, M > 58).
[[nodiscard]] ReadMemoryOutcome readMemory(BootLoader& session, std::span<const std::size_t> regions,
                                           std::uint32_t firstAddress, const ReplyConsumer& consumeReply);

// The byte count of a read request at address for a region ending at end (exclusive).
[[nodiscard]] std::uint8_t requestByteCount(std::uint64_t address, std::uint64_t end,
                                            std::uint8_t packetDataSize, std::uint8_t bytesPerAddress);

// Copies an answer's data (placed as decodeReadAnswer says for the map's packet size) into the region's
// image when they fit it; false when ignored (count 0 or above 58, address before the region or data
// beyond its image).
[[nodiscard]] bool placeAnswer(MemoryMap& map, std::size_t region, const hid::Report& answer);

}  // namespace bootloader
