// The log pane's one way in: its lines, their threshold and their indentation depth.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/view.h"

namespace app {

inline constexpr std::uint32_t kMaxLogDepth = 15;
inline constexpr std::int32_t kNormalLogThreshold = 3;
inline constexpr std::int32_t kDebugLogThreshold = 8;

// The entry Log::line appends: 2 blanks per depth step (at most 15 steps), the text, and for a non-zero
// code " [" + the code as an unsigned 32-bit decimal + "]".
std::string formatLogEntry(const std::string& text, std::int32_t code, std::uint32_t depth);

// The lines an entry becomes in the log pane: split at each CR LF, so an entry that ends in CR LF leaves
// an empty last line. Always at least one line.
std::vector<std::string> splitLogEntry(const std::string& entry);

// The log of one window. Used from the UI thread and the bootloader's worker.
class Log {
public:
    explicit Log(View& view) : view_(view) {}
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Appends formatLogEntry(text, code, depth) to the window's log when level is not above the threshold.
    // Returns once the entry is in the pane.
    void line(std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth);

    // Removes every line of the log pane (the "Clear" entry of its context menu).
    void clear();

    // The product list's selection handler: clears the log, then writes the chosen entry's instruction
    // text (manualInfo when the operator picked it, detectedInfo when the program did), or the welcome
    // banner for -1 or any index outside the catalogue.
    void selectProduct(int index, bool operatorFlag);

    // Highest level that line writes: 3, or 8 in debug mode.
    [[nodiscard]] std::int32_t threshold() const { return threshold_.load(); }
    void setThreshold(std::int32_t threshold) { threshold_.store(threshold); }

    // Indentation for lines written in reaction to bootloader events.
    [[nodiscard]] std::int32_t depth() const { return depth_.load(); }
    void setDepth(std::int32_t depth) { depth_.store(depth); }

private:
    View& view_;
    std::atomic<std::int32_t> threshold_{kNormalLogThreshold};
    std::atomic<std::int32_t> depth_{0};
};

}  // namespace app
