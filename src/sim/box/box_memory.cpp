#include "sim/box/box_memory.h"

#include <algorithm>

namespace sim {

namespace {

std::uint32_t frameAddress(const hid::Report& frame) {
    return static_cast<std::uint32_t>(frame[2]) | static_cast<std::uint32_t>(frame[3]) << 8 |
           static_cast<std::uint32_t>(frame[4]) << 16 | static_cast<std::uint32_t>(frame[5]) << 24;
}

void putAddress(hid::Report& frame, std::uint32_t address) {
    for (int i = 0; i < 4; ++i) frame[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
}

}  // namespace

BoxMemory::BoxMemory(const TargetLayout& layout) : layout_(layout) {
    const std::uint8_t perUnit = layout_.bytesPerAddress();
    for (const SimRegion& region : layout_.regions) {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(region.size) * perUnit);
        for (std::size_t j = 0; j < image.size(); ++j) image[j] = erasedByte(j, perUnit);
        images_.push_back(std::move(image));
    }
}

std::optional<BoxMemory::Location> BoxMemory::locate(std::uint32_t address, std::size_t byte) const {
    const std::uint8_t perUnit = layout_.bytesPerAddress();
    for (std::size_t r = 0; r < layout_.regions.size(); ++r) {
        const SimRegion& region = layout_.regions[r];
        if (address < region.start) continue;
        const std::uint64_t offset = static_cast<std::uint64_t>(address - region.start) * perUnit + byte;
        if (offset < images_[r].size()) return Location{r, static_cast<std::size_t>(offset)};
    }
    return std::nullopt;
}

std::vector<std::uint8_t> BoxMemory::read(std::uint32_t address, std::size_t byteCount) const {
    std::vector<std::uint8_t> bytes(byteCount, 0xFF);
    for (std::size_t i = 0; i < byteCount; ++i)
        if (auto where = locate(address, i)) bytes[i] = images_[where->region][where->offset];
    return bytes;
}

void BoxMemory::write(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (auto where = locate(address, i)) images_[where->region][where->offset] = bytes[i];
}

void BoxMemory::erase(std::uint32_t keepFrom, std::uint32_t keepTo) {
    const std::uint8_t perUnit = layout_.bytesPerAddress();
    for (std::size_t r = 0; r < layout_.regions.size(); ++r) {
        const SimRegion& region = layout_.regions[r];
        if (region.type == 3) continue;
        std::vector<std::uint8_t>& image = images_[r];
        for (std::size_t j = 0; j < image.size(); ++j) {
            const std::uint64_t address = region.start + j / perUnit;
            if (address >= keepFrom && address < keepTo) continue;
            image[j] = erasedByte(j, perUnit);
        }
    }
}

hid::Report BoxMemory::queryAnswer(std::uint8_t command) const {
    hid::Report answer{};
    answer[1] = command;
    answer[2] = layout_.packetDataSize;
    answer[3] = layout_.family;
    std::size_t at = 4;
    const std::size_t listed = std::min<std::size_t>(layout_.regions.size(), 4);
    for (std::size_t r = 0; r < listed; ++r, at += 9) {
        const SimRegion& region = layout_.regions[r];
        answer[at] = region.type;
        for (int i = 0; i < 4; ++i) {
            answer[at + 1 + i] = static_cast<std::uint8_t>(region.start >> (8 * i));
            answer[at + 5 + i] = static_cast<std::uint8_t>(region.size >> (8 * i));
        }
    }
    if (listed < 4) answer[at] = 0xFF;
    return answer;
}

hid::Report BoxMemory::readAnswer(const hid::Report& request) const {
    const std::uint32_t address = frameAddress(request);
    const std::size_t count = std::min<std::size_t>(request[6], kMaxFrameData);
    hid::Report answer{};
    answer[1] = request[1];
    putAddress(answer, address);
    answer[6] = static_cast<std::uint8_t>(count);
    const std::vector<std::uint8_t> data = read(address, count);
    // A box with 48-byte packets answers with its data from byte 7 on, every other size right-aligned
    // so that the last byte is byte 64.
    const std::size_t first = layout_.packetDataSize == 48 ? 7 : hid::kReportSize - count;
    std::copy(data.begin(), data.end(), answer.begin() + static_cast<long>(first));
    return answer;
}

void BoxMemory::programData(const hid::Report& frame) {
    const std::size_t count = std::min<std::size_t>(frame[6], kMaxFrameData);
    // Full 48-byte packets travel in bytes 7..54; every other packet is right-aligned to byte 64.
    const bool leftAligned = layout_.packetDataSize == 48 && count == 48;
    const std::size_t first = leftAligned ? 7 : hid::kReportSize - count;
    write(frameAddress(frame),
          std::vector<std::uint8_t>(frame.begin() + first, frame.begin() + first + count));
}

}  // namespace sim
