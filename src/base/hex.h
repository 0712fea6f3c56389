// Hexadecimal digits, the one place that reads and writes them.
#pragma once

#include <cstdint>
#include <string>

namespace base {

// 0..15 for 0-9, A-F and a-f; -1 for any other character.
[[nodiscard]] constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

enum class HexCase { upper, lower };

// The digit of a value 0..15 (upper case unless asked otherwise).
[[nodiscard]] constexpr char hexDigitChar(unsigned value, HexCase letters = HexCase::upper) {
    return (letters == HexCase::upper ? "0123456789ABCDEF" : "0123456789abcdef")[value & 0x0Fu];
}

// Appends a byte as two digits.
inline void appendHexByte(std::string& out, std::uint8_t byte, HexCase letters = HexCase::upper) {
    out += hexDigitChar(byte >> 4u, letters);
    out += hexDigitChar(byte, letters);
}

// A byte as two upper-case digits ("3A").
[[nodiscard]] inline std::string hexByte(std::uint8_t byte) {
    std::string out;
    appendHexByte(out, byte);
    return out;
}

}  // namespace base
