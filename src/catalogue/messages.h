// The user messages in English (column 0) and Spanish (column 1), looked up by index.
#pragma once

#include <array>
#include <string>

namespace catalogue {

inline constexpr int messageCount = 18;
inline constexpr int languageCount = 2;

// Windows-1252 bytes.
extern const std::array<std::array<std::string, languageCount>, messageCount> messageTable;

// The language of the messages shown: English for the whole run.
inline constexpr int kEnglish = 0;

// The message at row `index` in `language`, as a copy. An index above 17 gives row 17 and a language
// above 1 counts as 1; negative values count as 0 rather than reading outside the table.
[[nodiscard]] std::string getMessage(int index, int language = kEnglish);

}  // namespace catalogue
