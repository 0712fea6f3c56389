// The multipart body reader of the stand-in server: finds the part that carries the request document.
#pragma once

#include <optional>
#include <string>

#include "sim/server/http_server.h"

namespace sim {

// The contents of the multipart part named "data", or nothing when the body has no such part.
std::optional<std::string> readDataPart(const HttpRequest& request);

}  // namespace sim
