#include "bootloader/hex_loader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/hex.h"
#include "bootloader/session.h"

namespace bootloader {
namespace {

constexpr int kTypeData = 0;
constexpr int kTypeEndOfFile = 1;
constexpr int kTypeExtendedLinearAddress = 4;

// The record after its ':'. Fields are taken by character position; characters that are not hex digits
// are skipped and positions past the end of the line read as nothing, so a short or noisy line yields 0s.
class Record {
public:
    explicit Record(std::string_view text) : text_(text) {}

    // Field of `width` characters from 0-based position `first`, as a number; wraps at 32 bits.
    std::uint32_t field(std::size_t first, std::size_t width) const {
        std::uint32_t value = 0;
        const std::size_t last = std::min(text_.size(), first + width);
        for (std::size_t i = first; i < last; ++i)
            if (const int digit = base::hexDigitValue(text_[i]); digit >= 0)
                value = value * 16 + static_cast<std::uint32_t>(digit);
        return value;
    }
    std::uint8_t bytePair(std::size_t index) const { return static_cast<std::uint8_t>(field(2 * index, 2)); }

    unsigned count() const { return bytePair(0); }
    std::uint16_t address() const { return static_cast<std::uint16_t>(field(2, 4)); }
    unsigned type() const { return bytePair(3); }
    std::uint8_t data(unsigned k) const { return bytePair(4 + k); }
    std::uint8_t checksum() const { return bytePair(4 + count()); }

    // The checksum the record's other bytes call for.
    std::uint8_t expectedChecksum() const {
        unsigned sum = 0;
        for (unsigned i = 0; i < count() + 4; ++i) sum += bytePair(i);
        return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    }
    bool checksumMatches() const { return expectedChecksum() == checksum(); }

private:
    std::string_view text_;
};

std::string_view trim(std::string_view line) {
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (!line.empty() && isSpace(line.front())) line.remove_prefix(1);
    while (!line.empty() && isSpace(line.back())) line.remove_suffix(1);
    return line;
}

std::size_t storeData(const Record& record, std::uint32_t fileAddress, MemoryMap& map) {
    const std::uint64_t unitBytes = map.bytesPerAddress;
    const std::size_t regionCount = std::min<std::size_t>(map.regionCount, kMaxRegions);
    for (std::size_t i = 0; i < regionCount; ++i) {
        const Region& region = map.regions[i];
        const std::uint64_t first = std::uint64_t{region.start} * unitBytes;
        const std::uint64_t end = (std::uint64_t{region.start} + region.size) * unitBytes;
        if (fileAddress < first || fileAddress >= end) continue;
        std::vector<std::uint8_t>& image = map.images[i];
        const std::uint64_t offset = fileAddress - first;
        const unsigned count = record.count();
        unsigned k = 0;
        for (; k < count && offset + k < image.size(); ++k) image[offset + k] = record.data(k);
        return k;
    }
    return 0;
}

void report(const HexDiagnostic& diagnostic, int level, const char* text) {
    if (diagnostic) diagnostic(level, text);
}

}  // namespace

HexLoadReport loadHexRecordsWithReport(LineReader& reader, MemoryMap& map, const HexDiagnostic& diagnostic) {
    HexLoadReport result;
    std::uint32_t extendedLinearAddress = 0;
    char text[96];
    for (std::size_t number = 1;; ++number) {
        if (result.endOfFileSeen) break;
        const std::string_view raw = reader.nextLine();
        if (raw.empty()) {
            // The loader's rule: an empty line ends the load. Whether records were left behind is noted.
            while (!reader.atEnd()) {
                if (trim(reader.nextLine()).empty()) continue;
                result.stoppedAtEmptyLine = true;
                result.line = number;
                std::snprintf(text, sizeof text, "line %zu: an empty line ends the records, more follow it",
                              number);
                result.cause = text;
                break;
            }
            break;
        }
        if (reader.lineWasCut()) {
            result.lineCut = true;
            result.line = number;
            std::snprintf(text, sizeof text, "line %zu: longer than %zu characters", number,
                          FileLineReader::kMaxLineLength);
            result.cause = text;
        }
        const std::string_view line = trim(raw);
        if (line.empty()) continue;
        if (line.front() != ':') {
            report(diagnostic, 1, "ERROR: no leading ':' in row");
            result.code = HexResult::noColon;
            result.line = number;
            std::snprintf(text, sizeof text, "line %zu: does not start with ':'", number);
            result.cause = text;
            return result;
        }
        const Record record(line.substr(1));
        if (!record.checksumMatches()) {
            report(diagnostic, 1, "Error de checksum en el fichero .hex");
            result.code = HexResult::checksum;
            if (result.lineCut) return result;  // the cut explains the bad checksum
            result.line = number;
            result.cause = "line " + std::to_string(number) + ": checksum " +
                           base::hexByte(record.checksum()) + ", expected " +
                           base::hexByte(record.expectedChecksum());
            return result;
        }
        if (result.lineCut) return result;  // a cut record that still passed its checksum is not trusted
        switch (record.type()) {
            case kTypeData:
                result.bytesPlaced +=
                    storeData(record, (extendedLinearAddress << 16) + record.address(), map);
                break;
            case kTypeEndOfFile:
                result.endOfFileSeen = true;
                break;
            case kTypeExtendedLinearAddress:
                extendedLinearAddress = record.field(8, std::size_t{2} * record.count());
                break;
            default:
                break;
        }
    }
    report(diagnostic, 3, "Fichero Hex cargado correctamente");
    return result;
}

HexResult loadHexRecords(LineReader& reader, MemoryMap& map, const HexDiagnostic& diagnostic) {
    return loadHexRecordsWithReport(reader, map, diagnostic).code;
}

HexLoadReport loadHexImageWithReport(BootLoader& session, LineReader& reader) {
    SessionTables& shared = session.tables();
    return loadHexRecordsWithReport(reader, shared.map, shared.diagnosticHook);
}

std::optional<std::string> imageRefusal(const HexLoadReport& report, bool localFile) {
    if (!report.cause.empty()) return report.cause;
    if (report.bytesPlaced == 0) return "no record puts data into the box's memory";
    if (localFile && !report.endOfFileSeen) return "the end-of-file record is missing";
    return std::nullopt;
}

std::optional<std::string> imageFileRefusal(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::string("cannot open it: ") + std::strerror(errno);
    if (!S_ISREG(info.st_mode)) return std::string("it is not a regular file");
    if (::access(path.c_str(), R_OK) != 0) return std::string("cannot read it: ") + std::strerror(errno);
    return std::nullopt;
}

HexResult loadHexImage(BootLoader& session, LineReader& reader) {
    SessionTables& shared = session.tables();
    return loadHexRecords(reader, shared.map, shared.diagnosticHook);
}

}  // namespace bootloader
