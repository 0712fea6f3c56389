#include "crypto/crc32.h"

#include <zlib.h>

#include <type_traits>

namespace crypto {

static_assert(sizeof(z_crc_t) == sizeof(std::uint32_t) && std::is_unsigned_v<z_crc_t>);

const std::uint32_t* crc32Table() {
    return reinterpret_cast<const std::uint32_t*>(get_crc_table());
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t count) {
    if (data == nullptr || count == 0) return 0;
    return static_cast<std::uint32_t>(::crc32_z(0, data, count));
}

}  // namespace crypto
