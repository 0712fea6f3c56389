// CRC-32 of IEEE 802.3 and zlib (reflected, polynomial 0xEDB88320): the envelope's integrity check.
#pragma once

#include <cstddef>
#include <cstdint>

namespace crypto {

// Builds the 256-entry table (once per process; later calls return the same table).
const std::uint32_t* crc32Table();

// Checksum of `count` bytes; 0 for no bytes.
std::uint32_t crc32(const std::uint8_t* data, std::size_t count);

}  // namespace crypto
