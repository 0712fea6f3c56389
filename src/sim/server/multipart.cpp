#include "sim/server/multipart.h"

namespace sim {

std::optional<std::string> readDataPart(const HttpRequest& request) {
    const std::string type = request.header("Content-Type");
    const std::size_t at = type.find("boundary=");
    if (at == std::string::npos) return std::nullopt;
    std::string boundary = type.substr(at + 9);
    if (const std::size_t end = boundary.find(';'); end != std::string::npos) boundary.resize(end);
    if (boundary.size() >= 2 && boundary.front() == '"') boundary = boundary.substr(1, boundary.size() - 2);
    const std::string delimiter = "--" + boundary;
    const std::string& body = request.body;
    std::size_t partStart = body.find(delimiter);
    while (partStart != std::string::npos) {
        const std::size_t headStart = partStart + delimiter.size() + 2;
        const std::size_t headEnd = body.find("\r\n\r\n", headStart);
        if (headEnd == std::string::npos) return std::nullopt;
        const std::size_t next = body.find("\r\n" + delimiter, headEnd + 4);
        if (next == std::string::npos) return std::nullopt;
        if (body.substr(headStart, headEnd - headStart).find("name=\"data\"") != std::string::npos)
            return body.substr(headEnd + 4, next - headEnd - 4);
        partStart = next + 2;
    }
    return std::nullopt;
}

}  // namespace sim
