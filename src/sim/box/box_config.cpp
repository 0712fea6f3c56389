#include "sim/box/box_config.h"

namespace sim {

BoxConfig defaultBoxConfig() {
    BoxConfig config;
    config.targets[0].regions = {{1, 0x1D000000, 0x80000}, {3, 0x1FC02FF0, 0x10}};
    config.targets[1].regions = {{1, 0x1D000000, 0x7C000}, {2, 0x1D07C000, 0x4000}, {3, 0x1FC02FF0, 0x10}};
    return config;
}

}  // namespace sim
