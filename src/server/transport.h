// How a ServerClient carries one request document to the support server and brings the answer back: the
// library path (a multipart POST through libcurl, answer in memory) and the raw path (the hand-built download
// to a file).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "server/progress_sink.h"
#include "server/raw_download.h"

namespace server {

// How a request on the library path ended; the numbers are the codes that the log lines show.
enum class RequestResult : int {
    ok = 0,
    noAnswerStream = 1,
    noMultipart = 2,
    noHttpClient = 3,
    emptyBody = 16,
    noBodyStream = 17,
    noPlainCopy = 33,
    noAnswerCopy = 34,
    postFailed = 42,
    badAnswer = 48,
    noPayloadStream = 97,
    noPayloadCopy = 100,
    unknownKind = 256,
    textCopyFailed = 0xF1000,
};

// How a request ended. A download into a named file takes the raw path and ends in a RawDownloadResult;
// every other request ends in a RequestResult. The two share numbers (1 and 3 to 8 mean different things),
// so the outcome keeps which path it took.
struct [[nodiscard]] RequestOutcome {
    RequestOutcome(RequestResult result) : request(result) {}  // NOLINT(google-explicit-constructor)
    RequestOutcome(RawDownloadResult result)                   // NOLINT(google-explicit-constructor)
        : rawPath(true), download(result) {}

    bool rawPath = false;
    RequestResult request = RequestResult::ok;           // library path
    RawDownloadResult download = RawDownloadResult::ok;  // raw path

    [[nodiscard]] bool ok() const {
        return rawPath ? download == RawDownloadResult::ok : request == RequestResult::ok;
    }
    // The number that a log line or arvex-cli shows.
    [[nodiscard]] int code() const { return rawPath ? base::code(download) : base::code(request); }

    friend bool operator==(const RequestOutcome& outcome, RequestResult result) {
        return !outcome.rawPath && outcome.request == result;
    }
    friend bool operator==(const RequestOutcome& outcome, RawDownloadResult result) {
        return outcome.rawPath && outcome.download == result;
    }
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
