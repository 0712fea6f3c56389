// The Intel HEX loader: writes the data records of a HEX text into the region images of the memory map.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "bootloader/line_reader.h"
#include "bootloader/memory_map.h"

namespace bootloader {

class BootLoader;

enum class HexResult : int {
    loaded = 0,
    noColon = 16,   // a line does not start with ':'
    checksum = 32,  // a record's checksum does not match
};

// Receives the loader's messages (level 1 errors, level 3 information); may be null.
using HexDiagnostic = std::function<void(int level, const std::string& text)>;

// Loads records until an empty line, the line after an end-of-file record, or the first bad line. Only
// overwrites: image bytes that no record covers keep their content. A data record goes to the first region
// whose file byte range holds its first address; bytes that would reach past that region's image are
// dropped, and a record that starts outside every region is ignored.
[[nodiscard]] HexResult loadHexRecords(LineReader& reader, MemoryMap& map, const HexDiagnostic& diagnostic);

// What a load did, for deciding whether its image may be programmed.
struct HexLoadReport {
    HexResult code = HexResult::loaded;  // as loadHexRecords returns it
    std::size_t bytesPlaced = 0;         // data bytes stored into some region's image
    bool endOfFileSeen = false;          // an end-of-file record was read
    bool stoppedAtEmptyLine = false;     // an empty line ended the load and more records followed it
    bool lineCut = false;                // a line longer than the reader keeps
    std::size_t line = 0;                // the line that ended the load (bad, cut or empty), 1 = first
    std::string cause;                   // e.g. "line 214: checksum 3A, expected 7F"; empty when none
};

// loadHexRecords with its report. After an empty line it looks at the rest of the text (without loading
// it) to tell whether records were left behind.
[[nodiscard]] HexLoadReport loadHexRecordsWithReport(LineReader& reader, MemoryMap& map,
                                                     const HexDiagnostic& diagnostic);
[[nodiscard]] HexLoadReport loadHexImageWithReport(BootLoader& session, LineReader& reader);

// Whether a loaded image may be programmed: nothing wrong in the report, some byte placed in a region, and
// for a local file an end-of-file record. nullopt: yes; else the reason as a sentence.
[[nodiscard]] std::optional<std::string> imageRefusal(const HexLoadReport& report, bool localFile);

// A sentence when path is not a regular file that can be read; nullopt when it is.
[[nodiscard]] std::optional<std::string> imageFileRefusal(const std::string& path);

// The session's loader: into its memory map, messages through its diagnostic hook. Callers load only while
// no operation runs.
[[nodiscard]] HexResult loadHexImage(BootLoader& session, LineReader& reader);

}  // namespace bootloader
