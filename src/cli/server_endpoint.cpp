#include "cli/server_endpoint.h"

#include <cstdlib>

namespace cli {

std::optional<app::ServerEndpoint> parseServerEndpoint(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    char* end = nullptr;
    const long port = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535) return std::nullopt;
    return app::ServerEndpoint{text.substr(0, colon), static_cast<std::int32_t>(port)};
}

}  // namespace cli
