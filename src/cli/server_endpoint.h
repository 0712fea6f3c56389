// The --server HOST:PORT option, read once for every command that talks to a server.
#pragma once

#include <optional>
#include <string>

#include "app/updater_window.h"

namespace cli {

// HOST:PORT with a non-empty host and a port from 1 to 65535; nothing otherwise.
[[nodiscard]] std::optional<app::ServerEndpoint> parseServerEndpoint(const std::string& text);

}  // namespace cli
