#include "app/log.h"

#include <algorithm>

#include "catalogue/products.h"

namespace app {

std::string formatLogEntry(const std::string& text, std::int32_t code, std::uint32_t depth) {
    const std::string indent(std::size_t{2} * std::min(depth, kMaxLogDepth), ' ');
    if (code != 0) return indent + text + " [" + std::to_string(static_cast<std::uint32_t>(code)) + "]";
    return indent + text;
}

std::vector<std::string> splitLogEntry(const std::string& entry) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = entry.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(entry.substr(start, end - start));
    }
    lines.push_back(entry.substr(start));
    return lines;
}

void Log::line(std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth) {
    if (level > threshold_.load()) return;
    view_.appendLog(formatLogEntry(text, code, depth));
}

void Log::clear() {
    view_.clearLog();
}

void Log::selectProduct(int index, bool operatorFlag) {
    clear();
    line(3, catalogue::productSelectionText(index, operatorFlag), 0, 0);
}

}  // namespace app
