// The AUTH / REGISTER answer reader over any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/result.h"
#include "server/server_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    server::ServerClient client;
    client.session.requestId = "4821";  // the id the seed answers carry
    const server::AuthAnswer status =
        client.parseAuthAnswer(std::string(reinterpret_cast<const char*>(data), size));
    if (base::code(status) < base::code(server::AuthAnswer::syncError) ||
        base::code(status) > base::code(server::AuthAnswer::registerAlready))
        __builtin_trap();
    return 0;
}
