// Three-key triple DES (encrypt-decrypt-encrypt), one 8-byte block at a time, ECB: the envelope's cipher.
#pragma once

#include <cstdint>

#include "crypto/evp_block.h"

namespace crypto {

inline constexpr int kDesBlockSize = 8;
inline constexpr int kDesKeySize = 8;

// Both directions keyed once; a fresh context per message is cheap enough (two EVP contexts).
struct Des3Context {
    detail::EvpContext encrypt;
    detail::EvpContext decrypt;
};

// Keys are 8 bytes each; the parity bit of every byte is ignored. Returns 0, or -1 when a key or the
// context is missing or the cipher cannot be set up.
int des3SetKeys(Des3Context* context, const std::uint8_t* key1, const std::uint8_t* key2,
                const std::uint8_t* key3);

// One 8-byte block; input and output may be the same buffer. Return 0, or -1 for an unkeyed context.
int des3EncryptBlock(Des3Context* context, const std::uint8_t* input, std::uint8_t* output);
int des3DecryptBlock(Des3Context* context, const std::uint8_t* input, std::uint8_t* output);

}  // namespace crypto
