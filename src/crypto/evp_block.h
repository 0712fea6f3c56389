// A single-block ECB cipher context on OpenSSL's EVP interface, shared by the DES and AES wrappers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;
typedef struct evp_cipher_st EVP_CIPHER;

namespace crypto::detail {

struct EvpContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const;
};
using EvpContext = std::unique_ptr<EVP_CIPHER_CTX, EvpContextDeleter>;

// Makes a context keyed for one direction with padding off; empty on failure.
EvpContext makeEcbContext(const EVP_CIPHER* cipher, const std::uint8_t* key, bool encrypt);

// Transforms exactly `size` bytes (a whole number of blocks); input and output may be the same buffer.
[[nodiscard]] bool transformBlocks(EVP_CIPHER_CTX* context, const std::uint8_t* input, std::uint8_t* output,
                                   std::size_t size);

}  // namespace crypto::detail
