#include "crypto/evp_block.h"

#include <openssl/evp.h>

#include <climits>

namespace crypto::detail {

void EvpContextDeleter::operator()(EVP_CIPHER_CTX* context) const {
    EVP_CIPHER_CTX_free(context);
}

EvpContext makeEcbContext(const EVP_CIPHER* cipher, const std::uint8_t* key, bool encrypt) {
    if (cipher == nullptr || key == nullptr) return {};
    EvpContext context(EVP_CIPHER_CTX_new());
    if (!context) return {};
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, key, nullptr, encrypt ? 1 : 0) != 1) return {};
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    return context;
}

bool transformBlocks(EVP_CIPHER_CTX* context, const std::uint8_t* input, std::uint8_t* output,
                     std::size_t size) {
    if (context == nullptr || input == nullptr || output == nullptr || size > INT_MAX) return false;
    int written = 0;
    // With padding off, ECB neither holds back nor adds a block, so the update alone yields every byte.
    if (EVP_CipherUpdate(context, output, &written, input, static_cast<int>(size)) != 1) return false;
    return static_cast<std::size_t>(written) == size;
}

}  // namespace crypto::detail
