// The status block that the server puts in front of a file's bytes: "1\r\n<size>||\r\n" for a file of
// that size, or a block that begins with "0" for a refusal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/raw_download.h"

namespace server {

inline constexpr std::string_view kStatusBlockEnd = "||\r\n";
inline constexpr std::size_t kStatusBlockLimit = 2048;  // a longer block without its end is no block

// The block's text without its terminator: ok with the declared size, refused ("0..."), or protocol
// (empty, not "1", no CR LF, or a size that is not a 32-bit number).
[[nodiscard]] RawDownloadResult readStatusBlock(std::string_view block, std::int32_t& declaredSize);

// A file downloaded into memory. When it starts with a status block, the block is checked and cut off:
// ok leaves exactly the declared bytes in answer; refused, protocol, or sizeMismatch (a different size
// received, or 0 declared) leave answer empty. An answer without a block is the file.
[[nodiscard]] RawDownloadResult takeDownloadedFile(std::string& answer);

}  // namespace server
