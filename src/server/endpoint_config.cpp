#include "server/endpoint_config.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace server {

namespace {

std::string trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// One file into config; the error names the file and the line.
std::string readOne(const std::string& path, EndpointConfig& config) {
    std::ifstream in(path);
    if (!in) return errno == ENOENT ? std::string() : path + ": " + std::strerror(errno);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + " line " + std::to_string(number) + ": ";
        const std::string text = trim(line);
        if (text.empty() || text[0] == '#') continue;
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos) return where + "expected 'host = NAME' or 'port = N'";
        const std::string key = trim(text.substr(0, equals));
        const std::string value = trim(text.substr(equals + 1));
        if (key == "host") {
            if (value.empty() || value.find_first_of(" \t/:") != std::string::npos)
                return where + "host wants a host name, not '" + value + "'";
            config.host = value;
        } else if (key == "port") {
            char* end = nullptr;
            const long port = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || port < 1 || port > 65535)
                return where + "port wants a number from 1 to 65535, not '" + value + "'";
            config.port = static_cast<std::int32_t>(port);
        } else {
            return where + "unknown setting '" + key + "'";
        }
    }
    return {};
}

}  // namespace

std::vector<std::string> defaultConfigPaths() {
    std::vector<std::string> paths = {"/etc/arvex/updater.conf"};
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (xdg != nullptr && *xdg == '/')
        paths.push_back(std::string(xdg) + "/arvex/updater.conf");
    else if (home != nullptr && *home != '\0')
        paths.push_back(std::string(home) + "/.config/arvex/updater.conf");
    return paths;
}

EndpointConfigResult readEndpointConfig(const std::vector<std::string>& paths) {
    EndpointConfigResult result;
    for (const std::string& path : paths) {
        result.error = readOne(path, result.endpoint);
        if (!result.error.empty()) return result;
    }
    return result;
}

}  // namespace server
