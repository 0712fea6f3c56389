// The server script's path as the operator menu's "Debug" and "Crypt" ticks choose it.
#pragma once

#include <string>

namespace app {

inline std::string requestPathFor(bool debugAnswers, bool crypt) {
    std::string path = "/support/api_support.php";
    if (!crypt) path += "?nocrypt=1";
    if (debugAnswers) path += crypt ? "?debugmode=1" : "&debugmode=1";
    return path;
}

}  // namespace app
