// The memory of one simulated processor and the bootloader commands that act on it.
#pragma once

#include <optional>
#include <vector>

#include "hid/backend.h"
#include "sim/box/box_config.h"

namespace sim {

class BoxMemory {
public:
    BoxMemory() = default;
    explicit BoxMemory(const TargetLayout& layout);

    const TargetLayout& layout() const { return layout_; }

    // Image bytes from a device address on; bytes outside every region read as 0xFF.
    std::vector<std::uint8_t> read(std::uint32_t address, std::size_t byteCount) const;
    // Writes image bytes from a device address on; bytes outside every region are dropped.
    void write(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
    // Program memory back to the erased value, except [keepFrom, keepTo).
    void erase(std::uint32_t keepFrom, std::uint32_t keepTo);

    hid::Report queryAnswer(std::uint8_t command) const;
    hid::Report readAnswer(const hid::Report& request) const;
    void programData(const hid::Report& frame);

    std::vector<std::vector<std::uint8_t>>& images() { return images_; }
    const std::vector<std::vector<std::uint8_t>>& images() const { return images_; }

private:
    struct Location {
        std::size_t region;
        std::size_t offset;
    };
    [[nodiscard]] std::optional<Location> locate(std::uint32_t address, std::size_t byte) const;

    TargetLayout layout_;
    std::vector<std::vector<std::uint8_t>> images_;  // one per region, size * bytesPerAddress bytes
};

// The largest data count a 65-byte frame holds after its 7 header bytes.
inline constexpr std::size_t kMaxFrameData = 58;

}  // namespace sim
