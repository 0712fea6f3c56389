// Opening any bytes as a sealed envelope; a message that opens is sealed again and must open to itself.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "server/envelope.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    server::EnvelopeState keyArea;
    std::vector<std::uint8_t> sealed(data, data + size);
    std::vector<std::uint8_t> plain;
    const server::UnwrapResult result = server::unwrapStream(&plain, &sealed, keyArea);
    if (result != server::UnwrapResult::ok) {
        if (!plain.empty()) __builtin_trap();
        return 0;
    }
    if (plain.empty()) return 0;
    std::vector<std::uint8_t> input = plain;
    std::vector<std::uint8_t> again;
    if (server::wrapStream(&again, &input, keyArea) != server::WrapResult::ok) __builtin_trap();
    std::vector<std::uint8_t> back;
    if (server::unwrapStream(&back, &again, keyArea) != server::UnwrapResult::ok || back != plain)
        __builtin_trap();
    return 0;
}
