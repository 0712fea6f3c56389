#include "app/save_name.h"

namespace app {

std::string savedFileName(const std::string& serverName) {
    const std::size_t slash = serverName.find_last_of("/\\");
    std::string name = slash == std::string::npos ? serverName : serverName.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") name = "download.bin";
    return name;
}

}  // namespace app
