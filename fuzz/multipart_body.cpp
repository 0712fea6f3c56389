// The stand-in server's multipart reader: the input's first line is the Content-Type value, the rest the
// request body. A part it finds lies inside the body.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/server/multipart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    sim::HttpRequest request;
    request.method = "POST";
    request.headers.emplace_back("Content-Type", input.substr(0, lineEnd));
    request.body = lineEnd == std::string::npos ? std::string() : input.substr(lineEnd + 1);
    const std::string& body = request.body;
    const std::optional<std::string> part = sim::readDataPart(request);
    if (part && (part->size() > body.size() || body.find(*part) == std::string::npos)) __builtin_trap();
    return 0;
}
