// The window's word on a loaded image that must not be programmed: one log line, the cause at debug level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bootloader/hex_loader.h"

namespace app {

// Level of the lines that give a failure's cause: shown in debug mode only.
inline constexpr std::int32_t kCauseLogLevel = 8;

// The window's line for an image that loaded without a reader error but must not be programmed (no data
// for this box, records after an empty line, a cut line, for a local file no end-of-file record); nullopt
// when it may be programmed. Reader errors keep their own line ("Error reading firmware").
[[nodiscard]] std::optional<std::string> imageRefusalLine(const bootloader::HexLoadReport& report,
                                                          bool localFile);

// Loads a copy of the memory map with the text and reports what the load would do; the session's image
// buffers stay as they are. For checking every image of a container before the first one is started.
bootloader::HexLoadReport dryLoad(const bootloader::MemoryMap& map, const std::string& text);

}  // namespace app
