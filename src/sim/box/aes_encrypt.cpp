#include "sim/box/aes_encrypt.h"

#include "crypto/aes.h"

namespace sim {

bool aesEncryptBlock128(const AesBlock& plain, const std::array<std::uint8_t, 16>& key, AesBlock& sealed) {
    AesBlock out{};
    if (crypto::aesEncryptBlock128(out.data(), plain.data(), key.data()) != crypto::AesResult::ok)
        return false;
    sealed = out;
    return true;
}

}  // namespace sim
