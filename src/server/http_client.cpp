#include <curl/curl.h>

#include <chrono>
#include <memory>

#include "server/process_wide.h"
#include "server/raw_download.h"
#include "server/transport.h"

namespace server {

namespace {

struct Exchange {
    std::vector<std::uint8_t>* answer;
    const ProgressSink* sink;
    const TransportSettings* settings;
    std::int64_t lastCount = -1;
    std::chrono::steady_clock::time_point lastMove = std::chrono::steady_clock::now();
    bool stalled = false;
    bool tooLarge = false;
    bool outOfMemory = false;
};

// Runs inside libcurl: nothing may be thrown from here.
std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) noexcept {
    auto* exchange = static_cast<Exchange*>(user);
    const std::size_t bytes = size * count;
    if (exchange->answer->size() + bytes > exchange->settings->maxAnswerBytes) {
        exchange->tooLarge = true;
        return 0;  // aborts the transfer
    }
    try {
        exchange->answer->insert(exchange->answer->end(), data, data + bytes);
    } catch (...) {
        exchange->outOfMemory = true;
        return 0;
    }
    return bytes;
}

int progress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) noexcept {
    auto* exchange = static_cast<Exchange*>(user);
    const std::int64_t count = downloaded + uploaded;
    const auto now = std::chrono::steady_clock::now();
    if (count == exchange->lastCount) {
        // The stall detector: only a connection on which nothing moves for the whole time is given up.
        if (now - exchange->lastMove >= std::chrono::milliseconds(exchange->settings->stallTimeoutMs)) {
            exchange->stalled = true;
            return 1;
        }
        return 0;
    }
    exchange->lastCount = count;
    exchange->lastMove = now;
    if (exchange->sink != nullptr) {
        try {
            exchange->sink->work(count);
        } catch (...) {
            return 1;  // a failing progress handler ends the transfer
        }
    }
    return 0;
}

}  // namespace

std::unique_ptr<HttpClient> HttpClient::create() {
    initialiseNetworkLibrary();
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return nullptr;
    return std::unique_ptr<HttpClient>(new HttpClient(handle));
}

HttpClient::~HttpClient() {
    curl_easy_cleanup(static_cast<CURL*>(handle_));
}

PostResult HttpClient::post(const std::string& url, const std::string& contentType, const std::string& body,
                            std::vector<std::uint8_t>& answer, const ProgressSink* sink,
                            const TransportSettings& settings) {
    CURL* curl = static_cast<CURL*>(handle_);
    curl_easy_reset(curl);
    Exchange exchange{&answer, sink, &settings};
    const std::string typeHeader = "Content-Type: " + contentType;
    // Owned here, so that a progress handler that throws cannot leak them.
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        curl_slist_append(nullptr, typeHeader.c_str()), &curl_slist_free_all);
    if (!headers) return {false, "cannot build the request headers"};
    // No 100-continue round trip. Appending keeps the list's head; a failed append leaves the list as it was.
    (void)curl_slist_append(headers.get(), "Expect:");

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);  // the same as the hand-built download's
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
    // No total-time limit: a slow server that keeps sending is waited for; progress() detects a stall.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // the exchange may run on a worker thread
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    char errorText[CURL_ERROR_SIZE] = {};  // libcurl's own sentence, more precise than the code's
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);

    if (sink != nullptr) sink->begin(0);
    const CURLcode result = curl_easy_perform(curl);
    if (sink != nullptr) sink->end();
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);  // errorText ends here

    if (exchange.tooLarge)
        return {false, "the answer from " + url + " is larger than " +
                           std::to_string(settings.maxAnswerBytes) + " bytes"};
    if (exchange.stalled)
        return {false, url + " sent nothing for " + std::to_string(settings.stallTimeoutMs) + " ms"};
    if (exchange.outOfMemory) return {false, "no memory for the answer from " + url};
    if (result != CURLE_OK)
        return {false, "cannot post to " + url + ": " +
                           (errorText[0] != '\0' ? std::string(errorText) : curl_easy_strerror(result))};
    if (status < 200 || status >= 300)
        return {false, url + " answered with HTTP status " + std::to_string(status)};
    return {true, {}};
}

}  // namespace server
