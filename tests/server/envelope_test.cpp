#include "server/envelope.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "arvex/config.h"
#include "crypto/crc32.h"
#include "support/server_results.h"

namespace {

using namespace server;
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Seals under a fresh key that is kept in keyArea.
Bytes seal(const Bytes& plain, EnvelopeState& keyArea) {
    Bytes in = plain, out;
    EXPECT_EQ(wrapStream(&out, &in, keyArea), WrapResult::ok);
    return out;
}

Bytes seal(const Bytes& plain) {
    EnvelopeState keyArea;
    return seal(plain, keyArea);
}

std::uint32_t word(const Bytes& envelope, std::size_t offset) {
    return envelope[offset] | envelope[offset + 1] << 8 | envelope[offset + 2] << 16 |
           static_cast<std::uint32_t>(envelope[offset + 3]) << 24;
}

void putWord(Bytes& envelope, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) envelope[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Rewrites the declared plain length (offset 6) and the checksum (offset 10) to match the ciphertext.
void setHeader(Bytes& envelope, std::uint32_t plainLength) {
    const std::uint32_t r = word(envelope, 2);
    putWord(envelope, 6, r ^ arvex::config::kSizeMask ^ plainLength);
    const std::uint32_t crc = crypto::crc32(envelope.data() + 54, envelope.size() - 54);
    putWord(envelope, 10, r ^ arvex::config::kCrcMask ^ crc);
}

UnwrapResult open(Bytes envelope, Bytes& out, EnvelopeState& keyArea) {
    return unwrapStream(&out, &envelope, keyArea);
}

UnwrapResult open(Bytes envelope, Bytes& out) {
    EnvelopeState keyArea;
    return open(std::move(envelope), out, keyArea);
}

TEST(EnvelopeTest, SizesFollowThePadding) {
    const std::pair<std::size_t, std::size_t> cases[] = {{151, 206}, {152, 214}, {0, 62},
                                                         {1, 62},    {7, 62},    {8, 70}};
    for (const auto& [plain, sealed] : cases) {
        Bytes in(plain, 'x'), out;
        EnvelopeState keyArea;
        ASSERT_EQ(wrapStream(&out, &in, keyArea), WrapResult::ok);
        EXPECT_EQ(out.size(), sealed) << plain;
        EXPECT_EQ(in.size(), sealed - 54) << "the input holds the ciphertext afterwards";
        EXPECT_EQ(word(out, 6) ^ word(out, 2) ^ arvex::config::kSizeMask, plain);
        const auto lengthField = static_cast<std::uint16_t>(out[0] | out[1] << 8);
        EXPECT_EQ(lengthField ^ arvex::config::kLengthMask ^ (word(out, 2) & 0xFFFF), 54u);
    }
}

// Reads the key out of the header as the format lays it down and decrypts with the library's own
// triple DES: the ciphertext is the padded document, block by block.
TEST(EnvelopeTest, CiphertextIsTripleDesEcbUnderTheHeaderKey) {
    const Bytes plain = bytesOf("<?xml version=\"1.0\"?><zekCom>x</zekCom>");
    EnvelopeState envelopeState;
    const Bytes sealed = seal(plain, envelopeState);
    const std::uint32_t r = word(sealed, 2);
    unsigned char key[24];
    for (int i = 0; i < 6; ++i) {
        const std::uint32_t keyWord = word(sealed, 14 + 4 * i) ^ r ^ arvex::config::kKeyMasks[i];
        for (int b = 0; b < 4; ++b) key[4 * i + b] = static_cast<unsigned char>(keyWord >> (8 * b));
        EXPECT_EQ(keyWord, envelopeState.key[i]);
    }
    Bytes decrypted(sealed.size() - 54 + 8);
    int length = 0;
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    ASSERT_EQ(EVP_DecryptInit_ex(context, EVP_des_ede3_ecb(), nullptr, key, nullptr), 1);
    EVP_CIPHER_CTX_set_padding(context, 0);
    ASSERT_EQ(EVP_DecryptUpdate(context, decrypted.data(), &length, sealed.data() + 54,
                                static_cast<int>(sealed.size() - 54)),
              1);
    EVP_CIPHER_CTX_free(context);
    decrypted.resize(static_cast<std::size_t>(length));
    Bytes padded = plain;
    padded.resize(plain.size() + 8 - plain.size() % 8, 0x99);
    EXPECT_EQ(decrypted, padded);
    EXPECT_EQ(word(sealed, 10) ^ r ^ arvex::config::kCrcMask,
              crypto::crc32(sealed.data() + 54, sealed.size() - 54));
}

TEST(EnvelopeTest, RoundTripsAnyDocument) {
    std::string binary;
    for (int i = 0; i < 300; ++i) binary += static_cast<char>(i * 7);
    for (const std::string& text : {std::string(), std::string("a"), std::string(151, 'q'), binary}) {
        Bytes out;
        ASSERT_EQ(open(seal(bytesOf(text)), out), UnwrapResult::ok);
        EXPECT_EQ(out, bytesOf(text));
    }
}

TEST(EnvelopeTest, EveryMessageGetsItsOwnKey) {
    EnvelopeState envelopeState;
    const Bytes first = seal(bytesOf("same document"), envelopeState);
    const auto firstKey = envelopeState.key;
    const Bytes second = seal(bytesOf("same document"), envelopeState);
    EXPECT_NE(firstKey, envelopeState.key);
    EXPECT_NE(word(first, 2), word(second, 2));
    EXPECT_NE(Bytes(first.begin() + 38, first.begin() + 54), Bytes(second.begin() + 38, second.begin() + 54));
    EXPECT_NE(Bytes(first.begin() + 54, first.end()), Bytes(second.begin() + 54, second.end()));
    Bytes out;
    ASSERT_EQ(open(first, out, envelopeState), UnwrapResult::ok);
    EXPECT_EQ(envelopeState.key, firstKey) << "opening leaves the message's key in the key area";
}

TEST(EnvelopeTest, BitFlipsInTheCiphertextFailTheChecksum) {
    const Bytes sealed = seal(bytesOf("<zekCom><resp id=\"1\"/></zekCom>"));
    for (std::size_t offset = 54; offset < sealed.size(); ++offset) {
        for (int bit = 0; bit < 8; bit += 3) {
            Bytes damaged = sealed, out{1, 2, 3};
            damaged[offset] ^= static_cast<std::uint8_t>(1 << bit);
            ASSERT_EQ(open(damaged, out), UnwrapResult::badChecksum) << offset;
            EXPECT_TRUE(out.empty());
        }
    }
    // The length field and the filler are not interpreted.
    for (std::size_t offset : {0u, 1u, 38u, 45u, 53u}) {
        Bytes damaged = sealed, out;
        damaged[offset] ^= 0x10;
        EXPECT_EQ(open(damaged, out), UnwrapResult::ok) << offset;
    }
}

TEST(EnvelopeTest, DeclaredLengthsAreChecked) {
    Bytes out{9};
    Bytes zero = seal(bytesOf("some text here"));
    setHeader(zero, 0);
    EXPECT_EQ(open(zero, out), UnwrapResult::ok);
    EXPECT_TRUE(out.empty());

    Bytes tooLong = seal(bytesOf("1234567"));
    setHeader(tooLong, 9);
    EXPECT_EQ(open(tooLong, out), UnwrapResult::badPlainLength);

    Bytes ragged = seal(bytesOf("0123456789"));  // 16 bytes of ciphertext, cut to 12
    ragged.resize(54 + 12);
    setHeader(ragged, 4);
    EXPECT_EQ(open(ragged, out), UnwrapResult::badBlockLength);
    EXPECT_TRUE(out.empty());
}

TEST(EnvelopeTest, MissingShortAndEmptyInputs) {
    Bytes in, out;
    EnvelopeState keyArea;
    EXPECT_EQ(wrapStream(nullptr, &in, keyArea), WrapResult::missingStream);
    EXPECT_EQ(unwrapStream(&out, nullptr, keyArea), UnwrapResult::missingStream);
    EXPECT_EQ(unwrapStream(&out, &in, keyArea), UnwrapResult::empty);
    for (std::size_t size : {1u, 6u, 53u}) {
        Bytes shortInput(size, 0);
        EXPECT_EQ(unwrapStream(&out, &shortInput, keyArea), UnwrapResult::shortInput) << size;
    }
    Bytes headerOnly = seal(bytesOf("x"));
    headerOnly.resize(54);
    EXPECT_NE(unwrapStream(&out, &headerOnly, keyArea), UnwrapResult::ok);
}

}  // namespace
