// The one part of a multipart/form-data body that the stand-in server reads: the one named "data".
#pragma once

#include <optional>
#include <string>

namespace simserver {

// The contents of the part named "data" of body, with the boundary taken from the Content-Type value;
// nothing when the type names no boundary or the body has no such complete part.
std::optional<std::string> multipartDataPart(const std::string& contentType, const std::string& body);

}  // namespace simserver
