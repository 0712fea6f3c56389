// Which texts the updater accepts: identity texts read from the box and what the operator types.
#pragma once

#include <cstdint>
#include <string>

namespace catalogue {

// True when the byte length lies in [minimum, maximum] and every byte is a letter, a digit, the blank,
// one of ! # $ & ( ) , - . : ; @ _, the Windows-1252 bytes F1 and D1 (n and N with tilde), or 0x00.
[[nodiscard]] bool checkText(const std::string& text, std::uint32_t minimum, std::uint32_t maximum);

// True for a text of more than 4 bytes that passes checkText(text, 1, 64) and whose first '@' has at
// least one character before it and at least three after it.
[[nodiscard]] bool checkEmail(const std::string& text);

}  // namespace catalogue
