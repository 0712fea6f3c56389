#include "crypto/des3.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>

namespace crypto {

int des3SetKeys(Des3Context* context, const std::uint8_t* key1, const std::uint8_t* key2,
                const std::uint8_t* key3) {
    if (context == nullptr || key1 == nullptr || key2 == nullptr || key3 == nullptr) return -1;
    std::array<std::uint8_t, std::size_t{3} * kDesKeySize> keys{};
    std::copy_n(key1, kDesKeySize, keys.begin());
    std::copy_n(key2, kDesKeySize, keys.begin() + kDesKeySize);
    std::copy_n(key3, kDesKeySize, keys.begin() + std::ptrdiff_t{2} * kDesKeySize);
    context->encrypt = detail::makeEcbContext(EVP_des_ede3_ecb(), keys.data(), true);
    context->decrypt = detail::makeEcbContext(EVP_des_ede3_ecb(), keys.data(), false);
    std::fill(keys.begin(), keys.end(), 0);
    return context->encrypt && context->decrypt ? 0 : -1;
}

int des3EncryptBlock(Des3Context* context, const std::uint8_t* input, std::uint8_t* output) {
    if (context == nullptr) return -1;
    return detail::transformBlocks(context->encrypt.get(), input, output, kDesBlockSize) ? 0 : -1;
}

int des3DecryptBlock(Des3Context* context, const std::uint8_t* input, std::uint8_t* output) {
    if (context == nullptr) return -1;
    return detail::transformBlocks(context->decrypt.get(), input, output, kDesBlockSize) ? 0 : -1;
}

}  // namespace crypto
