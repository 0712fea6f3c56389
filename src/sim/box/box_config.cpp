#include "sim/box/box_config.h"

namespace sim {

BoxConfig defaultBoxConfig() {
    BoxConfig config;
    config.targets[0].regions = {{1, 0x1D000000, 0x80000}, {3, 0x1FC02FF0, 0x10}};
    config.targets[1].regions = {{1, 0x1D000000, 0x7C000}, {2, 0x1D07C000, 0x4000}, {3, 0x1FC02FF0, 0x10}};
    return config;
}

BoxConfig withInformationAreaRegion(BoxConfig config) {
    constexpr std::uint32_t kArea = 0x1D07C000;
    for (TargetLayout& target : config.targets) {
        std::vector<SimRegion> split;
        for (const SimRegion& region : target.regions) {
            const bool holdsArea =
                region.type != 3 && region.start < kArea && kArea - region.start < region.size;
            if (!holdsArea) {
                split.push_back(region);
                continue;
            }
            split.push_back({region.type, region.start, kArea - region.start});
            split.push_back({2, kArea, region.size - (kArea - region.start)});
        }
        // The query answer carries at most four regions; a layout that would need more stays as it was.
        if (split.size() <= 4) target.regions = split;
    }
    return config;
}

BoxConfig defaultBoxConfig(std::uint8_t packetSize) {
    BoxConfig config = defaultBoxConfig();
    for (TargetLayout& target : config.targets) target.packetDataSize = packetSize;
    return config;
}

}  // namespace sim
