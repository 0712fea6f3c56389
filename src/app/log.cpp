#include "app/log.h"

#include <algorithm>

#include "app/main_form.h"
#include "catalogue/products.h"

namespace app {

std::string formatLogEntry(const std::string& text, std::int32_t code, std::uint32_t depth) {
    const std::string indent(2 * std::min(depth, kMaxLogDepth), ' ');
    if (code != 0) return indent + text + " [" + std::to_string(static_cast<std::uint32_t>(code)) + "]";
    return indent + text;
}

void logLine(std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth) {
    if (level > logThreshold.load()) return;
    View* view = mainForm.load();
    if (view == nullptr) return;
    view->appendLog(formatLogEntry(text, code, depth));
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

void clearLog() {
    if (View* view = mainForm.load()) view->clearLog();
}

void selectProduct(int index, bool operatorFlag) {
    clearLog();
    logLine(3, Global::productSelectionText(index, operatorFlag), 0, 0);
}

}  // namespace app
