#include "crypto/aes.h"

#include <openssl/evp.h>

namespace crypto {

int aesSetDecryptKey(const std::uint8_t* key, int keyBits, AesContext* context) {
    if (key == nullptr || context == nullptr) return kAesMissingArgument;
    const EVP_CIPHER* cipher = nullptr;
    int rounds = 0;
    switch (keyBits) {
        case 128:
            cipher = EVP_aes_128_ecb(), rounds = 10;
            break;
        case 192:
            cipher = EVP_aes_192_ecb(), rounds = 12;
            break;
        case 256:
            cipher = EVP_aes_256_ecb(), rounds = 14;
            break;
        default:
            return kAesBadKeySize;
    }
    context->decrypt = detail::makeEcbContext(cipher, key, false);
    context->rounds = context->decrypt ? rounds : 0;
    return context->decrypt ? kAesOk : kAesMissingArgument;
}

int aesDecryptBlock(AesContext* context, const std::uint8_t* input, std::uint8_t* output) {
    if (context == nullptr) return kAesMissingArgument;
    return detail::transformBlocks(context->decrypt.get(), input, output, kAesBlockSize)
               ? kAesOk
               : kAesMissingArgument;
}

int aesDecryptBlock128(std::uint8_t* output, const std::uint8_t* input, const std::uint8_t* key) {
    if (output == nullptr || input == nullptr) return kAesMissingArgument;
    AesContext context;
    if (int result = aesSetDecryptKey(key, 128, &context); result != kAesOk) return result;
    return aesDecryptBlock(&context, input, output);
}

int aesEncryptBlock128(std::uint8_t* output, const std::uint8_t* input, const std::uint8_t* key) {
    if (output == nullptr || input == nullptr || key == nullptr) return kAesMissingArgument;
    const detail::EvpContext context = detail::makeEcbContext(EVP_aes_128_ecb(), key, true);
    if (!context) return kAesMissingArgument;
    return detail::transformBlocks(context.get(), input, output, kAesBlockSize) ? kAesOk
                                                                                : kAesMissingArgument;
}

}  // namespace crypto
