#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "crypto/aes.h"
#include "crypto/crc32.h"
#include "crypto/des3.h"
#include "support/box_results.h"

namespace {

std::vector<std::uint8_t> hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

struct AesVector {
    const char* name;
    int bits;
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS 197, appendices B and C.1 to C.3.
const AesVector kAesVectors[] = {
    {"B", 128, "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
     "3925841d02dc09fbdc118597196a0b32"},
    {"C1", 128, "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"C2", 192, "000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"C3", 256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
};

TEST(Aes, PublishedVectorsDecryptWithEveryKeySize) {
    for (const AesVector& v : kAesVectors) {
        SCOPED_TRACE(v.name);
        crypto::AesContext context;
        ASSERT_EQ(crypto::aesSetDecryptKey(hex(v.key).data(), v.bits, &context), crypto::AesResult::ok);
        EXPECT_EQ(context.rounds, 6 + v.bits / 32);
        std::vector<std::uint8_t> block = hex(v.cipher);
        ASSERT_EQ(crypto::aesDecryptBlock(&context, block.data(), block.data()), crypto::AesResult::ok);
        EXPECT_EQ(block, hex(v.plain));
    }
}

TEST(Aes, SixteenByteWrapperDecryptsInPlaceAndApart) {
    for (const AesVector& v : kAesVectors) {
        if (v.bits != 128) continue;
        SCOPED_TRACE(v.name);
        std::vector<std::uint8_t> block = hex(v.cipher);
        ASSERT_EQ(base::code(crypto::aesDecryptBlock128(block.data(), block.data(), hex(v.key).data())), 0);
        EXPECT_EQ(block, hex(v.plain));
        std::vector<std::uint8_t> output(16, 0xEE);
        const std::vector<std::uint8_t> input = hex(v.cipher);
        ASSERT_EQ(base::code(crypto::aesDecryptBlock128(output.data(), input.data(), hex(v.key).data())), 0);
        EXPECT_EQ(output, hex(v.plain));
        EXPECT_EQ(input, hex(v.cipher));
    }
}

TEST(Aes, SixteenByteEncryptionMatchesThePublishedVectorsInPlace) {
    for (const AesVector& v : kAesVectors) {
        if (v.bits != 128) continue;
        SCOPED_TRACE(v.name);
        std::vector<std::uint8_t> block = hex(v.plain);
        ASSERT_EQ(base::code(crypto::aesEncryptBlock128(block.data(), block.data(), hex(v.key).data())), 0);
        EXPECT_EQ(block, hex(v.cipher));
    }
    std::vector<std::uint8_t> output(16, 0x5A);
    const std::vector<std::uint8_t> input(16, 0x00);
    EXPECT_EQ(base::code(crypto::aesEncryptBlock128(output.data(), input.data(), nullptr)), -1);
    EXPECT_EQ(output, std::vector<std::uint8_t>(16, 0x5A));
}

TEST(Aes, KeySetUpErrorsAreReportedAndLeaveTheOutputAlone) {
    const std::vector<std::uint8_t> key(32, 0x11);
    crypto::AesContext context;
    for (int bits : {0, 64, 100, 127, 129, 512})
        EXPECT_EQ(base::code(crypto::aesSetDecryptKey(key.data(), bits, &context)), -2);
    EXPECT_EQ(base::code(crypto::aesSetDecryptKey(nullptr, 128, &context)), -1);
    EXPECT_EQ(base::code(crypto::aesSetDecryptKey(key.data(), 128, nullptr)), -1);

    std::vector<std::uint8_t> output(16, 0x5A);
    const std::vector<std::uint8_t> input(16, 0x00);
    EXPECT_EQ(base::code(crypto::aesDecryptBlock128(output.data(), input.data(), nullptr)), -1);
    EXPECT_EQ(output, std::vector<std::uint8_t>(16, 0x5A));

    crypto::AesContext unkeyed;
    EXPECT_EQ(base::code(crypto::aesDecryptBlock(&unkeyed, input.data(), output.data())), -1);
}

TEST(Des3, PublishedThreeKeyVectorEncryptsAndDecryptsInPlace) {
    // NIST SP 800-67, the three-key example: "The qufck brown fox jump" in three ECB blocks.
    const auto k1 = hex("0123456789ABCDEF"), k2 = hex("23456789ABCDEF01"), k3 = hex("456789ABCDEF0123");
    const auto plain = bytesOf("The qufck brown fox jump");
    const auto cipher = hex("A826FD8CE53B855FCCE21C8112256FE668D5C05DD9B6B900");
    crypto::Des3Context context;
    ASSERT_EQ(crypto::des3SetKeys(&context, k1.data(), k2.data(), k3.data()), 0);

    std::vector<std::uint8_t> buffer = plain;
    for (std::size_t at = 0; at < buffer.size(); at += 8)
        ASSERT_EQ(crypto::des3EncryptBlock(&context, buffer.data() + at, buffer.data() + at), 0);
    EXPECT_EQ(buffer, cipher);
    for (std::size_t at = 0; at < buffer.size(); at += 8)
        ASSERT_EQ(crypto::des3DecryptBlock(&context, buffer.data() + at, buffer.data() + at), 0);
    EXPECT_EQ(buffer, plain);
}

TEST(Des3, EqualKeysGiveSingleDes) {
    struct Case {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    // Published single-DES results; the parity bits of the key do not matter.
    const Case cases[] = {
        {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
        {"123457799ABCDFF0", "0123456789ABCDEF", "85E813540F0AB405"},
        {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const auto key = hex(c.key);
        crypto::Des3Context context;
        ASSERT_EQ(crypto::des3SetKeys(&context, key.data(), key.data(), key.data()), 0);
        std::vector<std::uint8_t> out(8);
        ASSERT_EQ(crypto::des3EncryptBlock(&context, hex(c.plain).data(), out.data()), 0);
        EXPECT_EQ(out, hex(c.cipher));
        ASSERT_EQ(crypto::des3DecryptBlock(&context, hex(c.cipher).data(), out.data()), 0);
        EXPECT_EQ(out, hex(c.plain));
    }
}

TEST(Des3, MissingKeysOrContextAreRefused) {
    const std::vector<std::uint8_t> key(8, 1);
    std::vector<std::uint8_t> block(8, 0);
    crypto::Des3Context context;
    EXPECT_EQ(crypto::des3SetKeys(&context, key.data(), nullptr, key.data()), -1);
    EXPECT_EQ(crypto::des3SetKeys(nullptr, key.data(), key.data(), key.data()), -1);
    EXPECT_EQ(crypto::des3EncryptBlock(&context, block.data(), block.data()), -1);
    EXPECT_EQ(crypto::des3DecryptBlock(nullptr, block.data(), block.data()), -1);
}

TEST(Crc32, CheckValuesWhetherOrNotTheTableWasBuilt) {
    struct Case {
        std::string text;
        std::uint32_t crc;
    };
    const Case cases[] = {{"123456789", 0xCBF43926u}, {"abc", 0x352441C2u}, {"", 0u}};
    for (const Case& c : cases) {
        const auto data = bytesOf(c.text);
        EXPECT_EQ(crypto::crc32(data.data(), data.size()), c.crc) << c.text;
    }
    const std::uint32_t* table = crypto::crc32Table();
    EXPECT_EQ(table, crypto::crc32Table());
    EXPECT_EQ(table[0], 0u);
    EXPECT_EQ(table[1], 0x77073096u);
    EXPECT_EQ(table[128], 0xEDB88320u);
    EXPECT_EQ(table[255], 0x2D02EF8Du);
    EXPECT_EQ(crypto::crc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(crypto::crc32(nullptr, 0), 0u);
}

}  // namespace
