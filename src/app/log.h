// The log pane's one way in: logLine, its threshold and its indentation depth.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

// Highest level that logLine writes: 3, or 8 in debug mode.
inline std::atomic<std::int32_t> logThreshold{3};
// Indentation for lines written in reaction to bootloader events.
inline std::atomic<std::int32_t> logDepth{0};

inline constexpr std::uint32_t kMaxLogDepth = 15;

// The entry logLine appends: 2 blanks per depth step (at most 15 steps), the text, and for a non-zero code
// " [" + the code as an unsigned 32-bit decimal + "]".
std::string formatLogEntry(const std::string& text, std::int32_t code, std::uint32_t depth);

// Appends formatLogEntry(text, code, depth) to the window's log when level is not above logThreshold.
// Callable from any thread; returns once the entry is in the pane. Does nothing before the window exists.
void logLine(std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth);

// The lines an entry becomes in the log pane: split at each CR LF, so an entry that ends in CR LF leaves
// an empty last line. Always at least one line.
std::vector<std::string> splitLogEntry(const std::string& entry);

// Removes every line of the log pane (the "Clear" entry of its context menu).
void clearLog();

// The product list's selection handler: clears the log, then writes the chosen entry's instruction text
// (manualInfo when the operator picked it, detectedInfo when the program did), or the welcome banner for
// -1 or any index outside the catalogue.
void selectProduct(int index, bool operatorFlag);

}  // namespace app
