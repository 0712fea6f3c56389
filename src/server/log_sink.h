// Where a server client writes its error lines: the window passes its log, the CLI stderr, tests a
// recorder. An empty sink logs nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace server {

using LogSink =
    std::function<void(std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth)>;

}  // namespace server
