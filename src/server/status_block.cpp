#include "server/status_block.h"

#include <charconv>

#include "server/raw_download.h"

namespace server {

RawDownloadResult readStatusBlock(std::string_view block, std::int32_t& declaredSize) {
    if (block.empty()) return RawDownloadResult::protocol;
    if (block[0] == '0') return RawDownloadResult::refused;
    if (block[0] != '1') return RawDownloadResult::protocol;
    const std::size_t lineEnd = block.find("\r\n");
    if (lineEnd == std::string_view::npos) return RawDownloadResult::protocol;
    const char* first = block.data() + lineEnd + 2;
    const char* last = block.data() + block.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, declaredSize);
    if (first == last || error != std::errc{} || end != last) return RawDownloadResult::protocol;
    return RawDownloadResult::ok;
}

RawDownloadResult takeDownloadedFile(std::string& answer) {
    // Only "0..." or "1\r\n..." ended by "||\r\n" within the limit counts as a block; a firmware
    // container begins with neither.
    if (answer.empty() || (answer[0] != '0' && answer.rfind("1\r\n", 0) != 0)) return RawDownloadResult::ok;
    const std::size_t end = answer.find(kStatusBlockEnd);
    if (end == std::string::npos || end > kStatusBlockLimit) return RawDownloadResult::ok;
    std::int32_t declared = 0;
    const RawDownloadResult code = readStatusBlock(std::string_view(answer).substr(0, end), declared);
    const std::size_t bodyStart = end + kStatusBlockEnd.size();
    if (code == RawDownloadResult::ok &&
        (declared <= 0 || answer.size() - bodyStart != static_cast<std::size_t>(declared))) {
        answer.clear();
        return RawDownloadResult::sizeMismatch;
    }
    if (code != RawDownloadResult::ok) {
        answer.clear();
        return code;
    }
    answer.erase(0, bodyStart);
    return RawDownloadResult::ok;
}

}  // namespace server
