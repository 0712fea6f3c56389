// AES of single 16-byte blocks: decryption of the identity blocks read from the box, and the encryption
// that seals them (the simulated box's side).
#pragma once

#include <cstdint>

#include "crypto/evp_block.h"

namespace crypto {

inline constexpr int kAesBlockSize = 16;

enum class AesResult : int {
    ok = 0,
    missingArgument = -1,  // no key or no context (also: the cipher could not be set up)
    badKeySize = -2,       // key bits other than 128, 192 or 256
};

struct AesContext {
    detail::EvpContext decrypt;
    int rounds = 0;  // 10, 12 or 14 once keyed
};

// Keys the context for decryption with a 128-, 192- or 256-bit key.
[[nodiscard]] AesResult aesSetDecryptKey(const std::uint8_t* key, int keyBits, AesContext* context);

// Decrypts one 16-byte block with a keyed context; input and output may be the same buffer.
[[nodiscard]] AesResult aesDecryptBlock(AesContext* context, const std::uint8_t* input, std::uint8_t* output);

// Decrypts one 16-byte block with a 16-byte key; output and input may be the same buffer. On a key
// set-up error the output is left untouched and the failure returned.
[[nodiscard]] AesResult aesDecryptBlock128(std::uint8_t* output, const std::uint8_t* input,
                                           const std::uint8_t* key);

// Encrypts one 16-byte block with a 16-byte key (ECB, no padding); output and input may be the same
// buffer. On an error the output is left untouched and the failure returned.
[[nodiscard]] AesResult aesEncryptBlock128(std::uint8_t* output, const std::uint8_t* input,
                                           const std::uint8_t* key);

}  // namespace crypto
