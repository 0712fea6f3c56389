#include "bootloader/tables.h"

namespace bootloader {

void releaseImages(MemoryMap& map) {
    for (auto& image : map.images) std::vector<std::uint8_t>().swap(image);
}

}  // namespace bootloader
