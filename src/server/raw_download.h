// The hand-built download: an HTTP/1.0 multipart POST over a plain TCP connection whose answer body,
// after a short status block, is streamed straight into a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/documents.h"
#include "server/progress_sink.h"

namespace server {

// How a download into a file ended; the numbers are the codes that the download's line shows.
enum class RawDownloadResult : int {
    ok = 0,
    noPayload = 1,      // no payload or no progress sink
    readFailed = 3,     // time-out, connection or disk error while reading the body
    refused = 4,        // the status block begins with "0"
    cannotCreate = 5,   // the target file cannot be created
    connectFailed = 6,  // no TCP connection (or any unexpected failure)
    protocol = 7,       // write failed, no "HTTP/1.1 200 OK", bad status block
    sizeMismatch = 8,   // received size differs from the declared one, or 0 was declared
};

struct RawDownloadSettings {
    int connectTimeoutMs = 20000;
    int headTimeoutMs = 20000;  // request written, reply head awaited
    int bodyTimeoutMs = 12000;  // between data of the status block and the body
    std::size_t lineLimit = 2048;
};

// The User-Agent of every request, hand-built or not.
inline constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; qOS 1.0)";

// The multipart boundary of the hand-built request and the pieces around the payload.
inline constexpr const char* kRawBoundary = "--------022014161244160";
std::string rawBodyHead();  // 211 bytes
std::string rawBodyTail();  // 39 bytes
std::string rawRequestHead(const std::string& path, std::int64_t payloadSize, const std::string& hostHeader);

// POSTs payload to the endpoint's host, port and request path, with its Host header. The target file is
// written through a temporary file beside it and replaced only on success; on any failure an existing
// target is left untouched.
// How a download ended: its result and, for a failure, the cause as a sentence.
struct [[nodiscard]] RawDownloadOutcome {
    RawDownloadResult code = RawDownloadResult::ok;
    std::string cause;
};

[[nodiscard]] RawDownloadOutcome rawPostToFile(const Endpoint& endpoint, const RawDownloadSettings& settings,
                                               const std::string& targetFile,
                                               const std::vector<std::uint8_t>* payload,
                                               const ProgressSink* sink);

}  // namespace server
