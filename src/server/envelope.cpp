#include "server/envelope.h"

#include <openssl/rand.h>

#include "arvex/config.h"
#include "crypto/crc32.h"
#include "crypto/des3.h"

namespace server {

namespace {

using arvex::config::kCrcMask;
using arvex::config::kKeyMasks;
using arvex::config::kLengthMask;
using arvex::config::kSizeMask;

constexpr std::size_t kOffsetLength = 0;
constexpr std::size_t kOffsetR = 2;
constexpr std::size_t kOffsetSize = 6;
constexpr std::size_t kOffsetCrc = 10;
constexpr std::size_t kOffsetKey = 14;
constexpr std::size_t kOffsetFiller = 38;
constexpr std::size_t kFillerWords = 4;

std::uint32_t readWord(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void writeWord(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void randomWords(std::uint32_t* words, std::size_t count) {
    // A generator failure leaves no safe fallback for key material: zeroed words are still well-formed,
    // but the failure is practically impossible on a system with /dev/urandom.
    if (RAND_bytes(reinterpret_cast<unsigned char*>(words), static_cast<int>(count * sizeof *words)) != 1)
        for (std::size_t i = 0; i < count; ++i) words[i] = 0;
}

bool keySchedule(crypto::Des3Context& context, const EnvelopeState& keyArea) {
    std::uint8_t key[24];
    for (std::size_t i = 0; i < 6; ++i) writeWord(key + 4 * i, keyArea.key[i]);
    return crypto::des3SetKeys(&context, key, key + 8, key + 16) == 0;
}

}  // namespace

WrapResult wrapStream(std::vector<std::uint8_t>* out, std::vector<std::uint8_t>* in, EnvelopeState& keyArea) {
    if (out == nullptr || in == nullptr) return WrapResult::missingStream;
    crypto::crc32Table();

    const std::size_t plainSize = in->size();
    in->insert(in->end(), 8 - plainSize % 8, kEnvelopePadding);

    std::uint32_t r = 0;
    std::uint32_t filler[kFillerWords];
    randomWords(&r, 1);
    randomWords(filler, kFillerWords);
    randomWords(keyArea.key.data(), keyArea.key.size());

    if (in->size() % 8 != 0) return WrapResult::badPadding;
    crypto::Des3Context context;
    if (!keySchedule(context, keyArea)) return WrapResult::noData;
    if (in->empty()) return WrapResult::noData;

    for (std::size_t offset = 0; offset < in->size(); offset += 8)
        crypto::des3EncryptBlock(&context, in->data() + offset, in->data() + offset);
    const std::uint32_t crc = crypto::crc32(in->data(), in->size());

    out->assign(kEnvelopeHeaderSize, 0);
    std::uint8_t* header = out->data();
    const auto lengthField = static_cast<std::uint16_t>((r & 0xFFFF) ^ kLengthMask ^ kEnvelopeHeaderSize);
    header[kOffsetLength] = static_cast<std::uint8_t>(lengthField);
    header[kOffsetLength + 1] = static_cast<std::uint8_t>(lengthField >> 8);
    writeWord(header + kOffsetR, r);
    writeWord(header + kOffsetSize, r ^ kSizeMask ^ static_cast<std::uint32_t>(plainSize));
    writeWord(header + kOffsetCrc, r ^ kCrcMask ^ crc);
    for (std::size_t i = 0; i < 6; ++i)
        writeWord(header + kOffsetKey + 4 * i, r ^ kKeyMasks[i] ^ keyArea.key[i]);
    for (std::size_t i = 0; i < kFillerWords; ++i) writeWord(header + kOffsetFiller + 4 * i, filler[i]);
    out->insert(out->end(), in->begin(), in->end());
    return WrapResult::ok;
}

UnwrapResult unwrapStream(std::vector<std::uint8_t>* out, std::vector<std::uint8_t>* in,
                          EnvelopeState& keyArea) {
    if (out == nullptr || in == nullptr) return UnwrapResult::missingStream;
    crypto::crc32Table();
    if (in->empty()) return UnwrapResult::empty;
    out->clear();
    if (in->size() < kEnvelopeHeaderSize) return UnwrapResult::shortInput;

    const std::uint8_t* header = in->data();
    const std::uint32_t r = readWord(header + kOffsetR);
    const std::uint32_t plainSize = readWord(header + kOffsetSize) ^ r ^ kSizeMask;
    const std::uint32_t crc = readWord(header + kOffsetCrc) ^ r ^ kCrcMask;
    std::array<std::uint32_t, 6> key;
    for (std::size_t i = 0; i < 6; ++i) key[i] = readWord(header + kOffsetKey + 4 * i) ^ r ^ kKeyMasks[i];

    std::uint8_t* cipher = in->data() + kEnvelopeHeaderSize;
    const std::size_t cipherSize = in->size() - kEnvelopeHeaderSize;
    if (crypto::crc32(cipher, cipherSize) != crc) return UnwrapResult::badChecksum;

    keyArea.key = key;
    crypto::Des3Context context;
    const bool keyed = keySchedule(context, keyArea);
    if (cipherSize % 8 != 0) return UnwrapResult::badBlockLength;
    if (plainSize > cipherSize) return UnwrapResult::badPlainLength;
    if (!keyed) return UnwrapResult::badChecksum;

    const std::size_t blocks = (plainSize + 7) / 8;
    for (std::size_t i = 0; i < blocks; ++i)
        crypto::des3DecryptBlock(&context, cipher + 8 * i, cipher + 8 * i);
    out->assign(cipher, cipher + plainSize);
    return UnwrapResult::ok;
}

}  // namespace server
