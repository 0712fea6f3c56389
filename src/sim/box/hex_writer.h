// Intel HEX text for an image, as the maker's tools write firmware files: 16-byte data records, an
// extended linear address record whenever the upper 16 bits change, and the end-of-file record. The one
// Intel HEX writer of the tree (test and benchmark images, the stand-in server's sample firmware).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct HexImage {
    std::uint32_t address = 0;  // file byte address of bytes[0]
    std::vector<std::uint8_t> bytes;
};

// Records whose bytes are all 0xFF are left out when skipBlank is set.
std::string toIntelHex(const std::vector<HexImage>& images, bool skipBlank = true,
                       std::size_t recordSize = 16);

}  // namespace sim
