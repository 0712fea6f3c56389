#include "sim/box/hex_writer.h"

#include <algorithm>

#include "base/hex.h"

namespace sim {
namespace {

class RecordText {
public:
    explicit RecordText(std::string& out) : out_(out) { out_ += ':'; }
    void byte(std::uint8_t value) {
        base::appendHexByte(out_, value);
        sum_ += value;
    }
    void finish() {
        byte(static_cast<std::uint8_t>(0x100 - (sum_ & 0xFF)));
        out_ += '\n';
    }

private:
    std::string& out_;
    unsigned sum_ = 0;
};

void record(std::string& out, std::uint8_t type, std::uint16_t address, const std::uint8_t* data,
            std::size_t count) {
    RecordText text(out);
    text.byte(static_cast<std::uint8_t>(count));
    text.byte(static_cast<std::uint8_t>(address >> 8));
    text.byte(static_cast<std::uint8_t>(address));
    text.byte(type);
    for (std::size_t i = 0; i < count; ++i) text.byte(data[i]);
    text.finish();
}

}  // namespace

std::string toIntelHex(const std::vector<HexImage>& images, bool skipBlank, std::size_t recordSize) {
    std::string out;
    recordSize = std::clamp<std::size_t>(recordSize, 1, 255);
    std::uint32_t upper = 0;
    bool upperSent = false;
    for (const HexImage& image : images) {
        for (std::size_t at = 0; at < image.bytes.size();) {
            const std::uint32_t address = image.address + static_cast<std::uint32_t>(at);
            // A record never crosses a 64 KiB boundary, where the upper address changes.
            const std::size_t toBoundary = 0x10000 - (address & 0xFFFF);
            const std::size_t count = std::min({recordSize, image.bytes.size() - at, toBoundary});
            const std::uint8_t* data = image.bytes.data() + at;
            at += count;
            if (skipBlank && std::all_of(data, data + count, [](std::uint8_t b) { return b == 0xFF; }))
                continue;
            if (!upperSent || address >> 16 != upper) {
                upper = address >> 16;
                upperSent = true;
                const std::uint8_t value[2] = {static_cast<std::uint8_t>(upper >> 8),
                                               static_cast<std::uint8_t>(upper)};
                record(out, 4, 0, value, 2);
            }
            record(out, 0, static_cast<std::uint16_t>(address), data, count);
        }
    }
    record(out, 1, 0, nullptr, 0);
    return out;
}

}  // namespace sim
