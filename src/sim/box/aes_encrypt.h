// AES-128 encryption of one 16-byte block (through src/crypto): how the box's maker seals the information
// area. The updater itself only decrypts, so the sealing lives with the simulated box.
#pragma once

#include <array>
#include <cstdint>

namespace sim {

using AesBlock = std::array<std::uint8_t, 16>;

// ECB, no padding; false when the cipher cannot be set up.
bool aesEncryptBlock128(const AesBlock& plain, const std::array<std::uint8_t, 16>& key, AesBlock& sealed);

}  // namespace sim
