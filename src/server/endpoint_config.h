// The support server's host and port from configuration files: lines "host = NAME" and "port = N",
// blank lines and lines starting with '#' ignored. Later files override earlier ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace server {

struct EndpointConfig {
    std::optional<std::string> host;
    std::optional<std::int32_t> port;
};

struct EndpointConfigResult {
    EndpointConfig endpoint;
    std::string error;  // "FILE line N: ..." for a malformed file; empty when every file read well
};

// /etc/arvex/updater.conf, then $XDG_CONFIG_HOME/arvex/updater.conf (default ~/.config).
std::vector<std::string> defaultConfigPaths();

// Reads the files that exist, in order; a missing file is skipped, a malformed one stops the reading.
[[nodiscard]] EndpointConfigResult readEndpointConfig(const std::vector<std::string>& paths);

}  // namespace server
