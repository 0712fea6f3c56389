#include "crypto/aes.h"

#include <openssl/evp.h>

namespace crypto {

AesResult aesSetDecryptKey(const std::uint8_t* key, int keyBits, AesContext* context) {
    if (key == nullptr || context == nullptr) return AesResult::missingArgument;
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
            return AesResult::badKeySize;
    }
    context->decrypt = detail::makeEcbContext(cipher, key, false);
    context->rounds = context->decrypt ? rounds : 0;
    return context->decrypt ? AesResult::ok : AesResult::missingArgument;
}

AesResult aesDecryptBlock(AesContext* context, const std::uint8_t* input, std::uint8_t* output) {
    if (context == nullptr) return AesResult::missingArgument;
    return detail::transformBlocks(context->decrypt.get(), input, output, kAesBlockSize)
               ? AesResult::ok
               : AesResult::missingArgument;
}

AesResult aesDecryptBlock128(std::uint8_t* output, const std::uint8_t* input, const std::uint8_t* key) {
    if (output == nullptr || input == nullptr) return AesResult::missingArgument;
    AesContext context;
    if (AesResult result = aesSetDecryptKey(key, 128, &context); result != AesResult::ok) return result;
    return aesDecryptBlock(&context, input, output);
}

AesResult aesEncryptBlock128(std::uint8_t* output, const std::uint8_t* input, const std::uint8_t* key) {
    if (output == nullptr || input == nullptr || key == nullptr) return AesResult::missingArgument;
    const detail::EvpContext context = detail::makeEcbContext(EVP_aes_128_ecb(), key, true);
    if (!context) return AesResult::missingArgument;
    return detail::transformBlocks(context.get(), input, output, kAesBlockSize) ? AesResult::ok
                                                                                : AesResult::missingArgument;
}

}  // namespace crypto
