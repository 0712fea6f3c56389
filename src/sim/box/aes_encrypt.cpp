#include "sim/box/aes_encrypt.h"

#include <openssl/evp.h>

#include <memory>

namespace sim {

bool aesEncryptBlock128(const AesBlock& plain, const std::array<std::uint8_t, 16>& key, AesBlock& sealed) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            EVP_CIPHER_CTX_free);
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    int written = 0;
    AesBlock out{};
    if (EVP_EncryptUpdate(context.get(), out.data(), &written, plain.data(),
                          static_cast<int>(plain.size())) != 1 ||
        written != static_cast<int>(out.size()))
        return false;
    sealed = out;
    return true;
}

}  // namespace sim
