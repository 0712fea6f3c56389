// How a ServerClient carries one request document to the support server and brings the answer back: the
// library path (a multipart POST through libcurl, answer in memory) and the raw path (the hand-built download
// to a file).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "server/progress_sink.h"

namespace server {

enum RequestResult : int {
    kRequestOk = 0,
    kRequestNoAnswerStream = 1,
    kRequestNoMultipart = 2,
    kRequestNoHttpClient = 3,
    kRequestEmptyBody = 16,
    kRequestNoBodyStream = 17,
    kRequestNoPlainCopy = 33,
    kRequestNoAnswerCopy = 34,
    kRequestPostFailed = 42,
    kRequestBadAnswer = 48,
    kRequestNoPayloadStream = 97,
    kRequestNoPayloadCopy = 100,
    kRequestUnknownKind = 256,
    kRequestTextCopyFailed = 0xF1000,
};

// No limit on the total time: a slow server that keeps sending is waited for.
struct TransportSettings {
    long connectTimeoutMs = 20000;
    long stallTimeoutMs = 20000;             // the exchange fails when no byte moves for this long
    std::size_t maxAnswerBytes = 64u << 20;  // a larger answer is a failed POST, never held in memory
};

// How one POST ended: ok only for a complete 2xx answer that was not redirected; cause says why not.
struct PostResult {
    bool ok = false;
    std::string cause;
};

// The HTTP client of the library path; a caller may keep one across exchanges.
class HttpClient {
public:
    static std::unique_ptr<HttpClient> create();  // empty when libcurl has no handle to give
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // POSTs body with the given content type. Redirects are not followed (a 3xx is a failure).
    [[nodiscard]] PostResult post(const std::string& url, const std::string& contentType,
                                  const std::string& body, std::vector<std::uint8_t>& answer,
                                  const ProgressSink* sink, const TransportSettings& settings);

private:
    explicit HttpClient(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace server
