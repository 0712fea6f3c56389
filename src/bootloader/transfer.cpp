#include "bootloader/transfer.h"

#include <algorithm>
#include <chrono>

#include "bootloader/frames.h"
#include "bootloader/read_answer.h"

namespace bootloader {

namespace {

using Clock = std::chrono::steady_clock;

hid::ReadStatus readOne(hid::Device& reader, hid::Report& answer, int timeoutMs) {
    answer.fill(0);
    return reader.read(answer, timeoutMs);
}

}  // namespace

SendOutcome sendCommand(BootLoader& session, std::span<const hid::Report> frames, bool* lastWriteFailed) {
    if (lastWriteFailed != nullptr) *lastWriteFailed = false;
    hid::Device writer(session.backend(), session.devicePath(), hid::Access::write);
    session.writeOpenError = static_cast<std::uint32_t>(writer.openError());
    if (!writer.isOpen()) {
        session.noteFailure(writer.openStatus());
        return SendOutcome::openFailed;
    }
    bool anyFailed = false;
    for (const hid::Report& frame : frames) {
        const bool failed = writer.write(frame) != 0;
        anyFailed = anyFailed || failed;
        if (lastWriteFailed != nullptr) *lastWriteFailed = failed;
    }
    return anyFailed ? SendOutcome::writeFailed : SendOutcome::done;
}

SendOutcome sendCommand(BootLoader& session, const hid::Report& frame) {
    return sendCommand(session, std::span<const hid::Report>(&frame, 1));
}

ExchangeOutcome exchange(BootLoader& session, const hid::Report& request, hid::Report& answer) {
    const std::string path = session.devicePath();
    hid::Device writer(session.backend(), path, hid::Access::write);
    session.writeOpenError = static_cast<std::uint32_t>(writer.openError());
    if (!writer.isOpen()) {
        session.noteFailure(writer.openStatus());
        return ExchangeOutcome::writeOpenFailed;
    }
    hid::Device reader(session.backend(), path, hid::Access::read);
    session.readOpenError = static_cast<std::uint32_t>(reader.openError());
    if (!reader.isOpen()) {
        session.noteFailure(reader.openStatus());
        return ExchangeOutcome::readOpenFailed;
    }
    if (writer.write(request) != 0) return ExchangeOutcome::writeFailed;
    if (readOne(reader, answer, session.transferSettings().answerTimeoutMs) != hid::ReadStatus::ok)
        return ExchangeOutcome::readFailed;
    return ExchangeOutcome::done;
}

WriteStream::WriteStream(BootLoader& session)
    : writer_(session.backend(), session.devicePath(), hid::Access::write),
      reader_(session.backend(), session.devicePath(), hid::Access::read) {
    session.writeOpenError = static_cast<std::uint32_t>(writer_.openError());
    session.readOpenError = static_cast<std::uint32_t>(reader_.openError());
    if (!writer_.isOpen() || !reader_.isOpen())
        session.noteFailure(writer_.isOpen() ? reader_.openStatus() : writer_.openStatus());
}

bool WriteStream::write(const hid::Report& frame) {
    return writer_.write(frame) == 0;
}

bool WriteStream::readAnswer(hid::Report& answer, int timeoutMs) {
    return readOne(reader_, answer, timeoutMs) == hid::ReadStatus::ok;
}

std::uint8_t requestByteCount(std::uint64_t address, std::uint64_t end, std::uint8_t packetDataSize,
                              std::uint8_t bytesPerAddress) {
    const std::uint64_t step = packetDataSize / bytesPerAddress;
    if (address + step <= end) return packetDataSize;
    std::uint64_t count = packetDataSize - bytesPerAddress * (address + step - end);
    while (count % bytesPerAddress != 0) ++count;
    return static_cast<std::uint8_t>(count);
}

bool placeAnswer(MemoryMap& map, std::size_t region, const hid::Report& answer) {
    if (region >= map.regionCount) return false;
    const std::optional<ReadAnswer> decoded = decodeReadAnswer(answer, map.packetDataSize);
    if (!decoded) return false;
    const Region& where = map.regions[region];
    if (decoded->address < where.start) return false;
    std::vector<std::uint8_t>& image = map.images[region];
    const std::uint64_t offset =
        static_cast<std::uint64_t>(decoded->address - where.start) * map.bytesPerAddress;
    if (offset + decoded->data.size() > image.size()) return false;
    std::copy(decoded->data.begin(), decoded->data.end(),
              image.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

ReadMemoryOutcome readMemory(BootLoader& session, std::span<const std::size_t> regions,
                             std::uint32_t firstAddress, const ReplyConsumer& consumeReply) {
    const std::string path = session.devicePath();
    hid::Device writer(session.backend(), path, hid::Access::write);
    session.writeOpenError = static_cast<std::uint32_t>(writer.openError());
    if (!writer.isOpen()) {
        session.noteFailure(writer.openStatus());
        return ReadMemoryOutcome::writeOpenFailed;
    }
    hid::Device reader(session.backend(), path, hid::Access::read);
    session.readOpenError = static_cast<std::uint32_t>(reader.openError());
    if (!reader.isOpen()) {
        session.noteFailure(reader.openStatus());
        return ReadMemoryOutcome::failed;
    }

    MemoryMap& map = session.memoryMap();
    const std::uint8_t packetSize = map.packetDataSize;
    const std::uint8_t perUnit = map.bytesPerAddress;
    // A geometry that cannot advance or does not fit a frame would never end or overrun the frame.
    if (packetSize == 0 || perUnit == 0 || packetSize / perUnit == 0 || packetSize > kMaxFrameData)
        return ReadMemoryOutcome::failed;
    const std::uint64_t step = packetSize / perUnit;
    const auto window = std::chrono::milliseconds(std::max(session.transferSettings().inactivityWindowMs, 1));

    auto reference = Clock::now();
    bool strike = false;
    int inFlight = 0;
    hid::Report answer{};
    for (const std::size_t index : regions) {
        if (index >= map.regionCount) continue;
        const Region& region = map.regions[index];
        const std::uint64_t end = static_cast<std::uint64_t>(region.start) + region.size;
        if (end > 0x100000000ull) return ReadMemoryOutcome::failed;  // frame addresses would wrap
        std::uint64_t next = std::max<std::uint64_t>(firstAddress, region.start);
        const std::uint64_t span = region.size == 0 ? 1 : region.size;
        while (inFlight > 0 || next < end) {
            const std::uint64_t done = next > region.start ? next - region.start : 0;
            session.progress = static_cast<std::uint8_t>(std::min<std::uint64_t>(done * 100 / span, 100));

            const auto now = Clock::now();
            if (now - reference > window) {
                if (strike) return ReadMemoryOutcome::failed;
                strike = true;
                reference = now;
            }
            // Two write slots: up to two requests go out per turn while fewer than 10 are in flight.
            for (int slot = 0; slot < 2 && inFlight < kMaxRequestsInFlight && next < end; ++slot) {
                hid::Report request = commandFrame(kCmdReadMemory, session.target);
                putAddress(request, static_cast<std::uint32_t>(next));
                request[6] = requestByteCount(next, end, packetSize, perUnit);
                if (writer.write(request) != 0) return ReadMemoryOutcome::failed;
                ++inFlight;
                next += step;
                strike = false;
            }
            if (inFlight == 0) continue;

            // One read slot: only look while more requests can go out, else wait until the window ends.
            int waitMs = 0;
            if (inFlight >= kMaxRequestsInFlight || next >= end) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(reference + window - Clock::now());
                waitMs = static_cast<int>(std::max<std::int64_t>(left.count(), 1));
            }
            const hid::ReadStatus status = readOne(reader, answer, waitMs);
            if (status == hid::ReadStatus::error) return ReadMemoryOutcome::failed;
            if (status == hid::ReadStatus::timeout) continue;
            strike = false;
            --inFlight;
            // A count beyond the frame is a lying answer: neither its data nor the answer are used.
            if (answer[6] > kMaxFrameData) continue;
            (void)placeAnswer(map, index,
                              answer);  // one outside the region is dropped; the consumer still sees it
            if (consumeReply) consumeReply(answer);
        }
    }
    return ReadMemoryOutcome::done;
}

}  // namespace bootloader
