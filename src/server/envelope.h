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

// How sealing ended; the numbers are the codes that "Error (proc-data): " and its kin show.
enum class WrapResult : int {
    ok = 0,
    noData = 1,  // the plain data has no memory block
    missingStream = 2,
    badPadding = 5,  // padded length not a multiple of 8
};

// How opening ended; the numbers are the codes that "Error (proc-data 2): " shows.
enum class UnwrapResult : int {
    ok = 0,
    badBlockLength = 1,  // ciphertext length not a multiple of 8
    missingStream = 2,
    empty = 3,
    badChecksum = 16,
    badPlainLength = 18,
    shortInput = 20,  // shorter than the header, refused before any checksum
};

// The key of the last message sealed or opened, as six little-endian words. Each server client keeps its
// own, and so does each exchange of the stand-in server.
struct EnvelopeState {
    std::array<std::uint32_t, 6> key{};
};

// Seals in into out under a fresh key, kept in keyArea. in is changed: padded and encrypted in place, so
// afterwards it holds the ciphertext.
[[nodiscard]] WrapResult wrapStream(std::vector<std::uint8_t>* out, std::vector<std::uint8_t>* in,
                                    EnvelopeState& keyArea);

// Opens the envelope in into out (exactly the plain bytes); the key found in it goes to keyArea. in is
// changed: decrypted in place. After a failure out is empty.
[[nodiscard]] UnwrapResult unwrapStream(std::vector<std::uint8_t>* out, std::vector<std::uint8_t>* in,
                                        EnvelopeState& keyArea);

}  // namespace server
