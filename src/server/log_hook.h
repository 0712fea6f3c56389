// Where the server client writes its error lines. The window sets it to its logLine at start-up; while it
// is null nothing is logged.
#pragma once

#include <cstdint>
#include <string>

namespace ArvexClient {

using LogFunction = void (*)(std::int32_t level, const std::string& text, std::int32_t code,
                             std::uint32_t depth);

inline LogFunction logHook = nullptr;

// Writes through logHook at level 1 with no code, when a hook is set.
inline void logError(const std::string& text) {
    if (logHook != nullptr) logHook(1, text, 0, 0);
}

// Writes through logHook at level 8: shown only in debug mode, for the cause behind an error line.
inline void logDebug(const std::string& text) {
    if (logHook != nullptr) logHook(8, text, 0, 0);
}

}  // namespace ArvexClient
