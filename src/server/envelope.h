// The secure envelope: a document encrypted with three-key triple DES (ECB) under a fresh key, its
// ciphertext protected by a CRC-32, behind a 54-byte header whose fields are all masked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace server {

inline constexpr std::size_t kEnvelopeHeaderSize = 54;
inline constexpr std::uint8_t kEnvelopePadding = 0x99;

enum EnvelopeResult : int {
    kEnvelopeOk = 0,
    kWrapNoData = 1,  // wrapStream: the plain data has no memory block
    kEnvelopeMissingStream = 2,
    kUnwrapEmpty = 3,     // unwrapStream: empty input
    kWrapBadPadding = 5,  // wrapStream: padded length not a multiple of 8
    kUnwrapBadChecksum = 16,
    kUnwrapBadBlockLength = 1,  // unwrapStream: ciphertext length not a multiple of 8
    kUnwrapBadPlainLength = 18,
    kUnwrapShortInput = 20,  // unwrapStream: shorter than the header, refused before any checksum
};

// The key of the last message sealed or opened, as six little-endian words. Each server client keeps its
// own, and so does each exchange of the stand-in server.
struct EnvelopeState {
    std::array<std::uint32_t, 6> key{};
};

// Seals in into out under a fresh key, kept in keyArea. in is changed: padded and encrypted in place, so
// afterwards it holds the ciphertext.
[[nodiscard]] int wrapStream(std::vector<std::uint8_t>* out, std::vector<std::uint8_t>* in,
                             EnvelopeState& keyArea);

// Opens the envelope in into out (exactly the plain bytes); the key found in it goes to keyArea. in is
// changed: decrypted in place. After a failure out is empty.
[[nodiscard]] int unwrapStream(std::vector<std::uint8_t>* out, std::vector<std::uint8_t>* in,
                               EnvelopeState& keyArea);

}  // namespace server
