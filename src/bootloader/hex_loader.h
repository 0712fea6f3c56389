// The Intel HEX loader: writes the data records of a HEX text into the region images of the memory map.
#pragma once

#include <functional>
#include <string>

#include "bootloader/line_reader.h"
#include "bootloader/memory_map.h"

namespace bootloader {

enum HexLoadResult : int {
    kHexLoaded = 0,
    kHexNoLeadingColon = 16,  // a line does not start with ':'
    kHexBadChecksum = 32,     // a record's checksum does not match
};

// Receives the loader's messages (level 1 errors, level 3 information); may be null.
using HexDiagnostic = std::function<void(int level, const std::string& text)>;

// Loads records until an empty line, the line after an end-of-file record, or the first bad line. Only
// overwrites: image bytes that no record covers keep their content. A data record goes to the first region
// whose file byte range holds its first address; bytes that would reach past that region's image are
// dropped, and a record that starts outside every region is ignored.
int loadHexRecords(LineReader& reader, MemoryMap& map, const HexDiagnostic& diagnostic);

// The session's loader: into the process's memory map, messages through the session's diagnostic hook.
// Callers load only while no operation runs.
int loadHexImage(LineReader& reader);

}  // namespace bootloader
