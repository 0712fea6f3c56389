#include "server/transport.h"

#include <openssl/rand.h>

#include <cstdio>
#include <exception>

#include "server/documents.h"
#include "server/envelope.h"
#include "server/raw_download.h"
#include "server/server_client.h"

namespace server {

namespace {

std::string firstLine(const std::vector<std::string>* parameters) {
    if (parameters == nullptr || parameters->empty()) return {};
    return parameters->front();
}

bool isDownload(int kind) {
    return kind == kRequestGetFile || kind == kRequestGetFile2;
}

// The document for a kind, or false for a kind that has none (no request id is drawn then).
bool composeDocument(ServerClient& client, int kind, const std::string& parameter, std::string& document) {
    std::string command;
    switch (kind) {
        case kRequestAuth:
            command = client.buildAuthCommand();
            break;
        case kRequestRegister:
            command = client.buildRegisterCommand();
            break;
        case kRequestFileList:
        case kRequestFileList2:
            command = client.buildFileListCommand();
            break;
        case kRequestGetFile:
        case kRequestGetFile2:
            command = client.buildGetFileCommand();
            break;
        case kRequestSearch:
            command = client.buildSearchCommand(parameter);
            break;
        default:
            return false;
    }
    document = documentHead() + command + documentTail();
    return true;
}

// A server error text: "EC", then ':' at positions 3 and 4 or at 4 and 5 ("EC1::...", "EC12::...").
bool isServerErrorText(const std::vector<std::uint8_t>& answer) {
    if (answer.size() < 6 || answer[0] != 'E' || answer[1] != 'C') return false;
    return (answer[3] == ':' && answer[4] == ':') || (answer[4] == ':' && answer[5] == ':');
}

std::string makeBoundary() {
    unsigned char random[8] = {};
    RAND_bytes(random, sizeof random);
    std::string boundary = "------------------------";
    char digits[3];
    for (unsigned char byte : random) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        boundary += digits;
    }
    return boundary;
}

// One part "data", file name "file", whose own content type is the body's content type.
std::string multipartBody(const std::string& boundary, const std::string& contentType,
                          const std::vector<std::uint8_t>& contents) {
    std::string body = "--" + boundary +
                       "\r\nContent-Disposition: form-data; name=\"data\"; filename=\"file\"\r\n"
                       "Content-Type: " +
                       contentType + "\r\nContent-Transfer-Encoding: binary\r\n\r\n";
    body.append(contents.begin(), contents.end());
    body += "\r\n--" + boundary + "--\r\n";
    return body;
}

}  // namespace

std::vector<std::uint8_t> ServerClient::seal(const std::string& document, const char* failureText) {
    std::vector<std::uint8_t> plain(document.begin(), document.end());
    std::vector<std::uint8_t> sealed;
    const WrapResult result = wrapStream(&sealed, &plain, keyArea_);
    if (result != WrapResult::ok) logError(failureText + std::to_string(base::code(result)));
    return sealed;
}

RequestResult ServerClient::postFailed(const std::string& cause,
                                       std::vector<std::uint8_t>& answerStream) const {
    answerStream.clear();
    logError("Error (data-post)");
    logDebug(cause);
    return RequestResult::postFailed;
}

RawDownloadResult ServerClient::rawPath(const std::string& document, const std::string& targetFile,
                                        const ProgressSink* sink) {
    std::vector<std::uint8_t> payload;
    if (session.cryptEnabled)
        payload = seal(document, "Error (proc-data-1): ");
    else
        payload.assign(document.begin(), document.end());
    const RawDownloadOutcome outcome = rawPostToFile(endpoint, rawDownload, targetFile, &payload, sink);
    if (outcome.code != RawDownloadResult::ok) logDebug(outcome.cause);
    return outcome.code;
}

RequestResult ServerClient::libraryPath(const std::string& document, std::vector<std::uint8_t>* answerStream,
                                        const ProgressSink* sink, bool decryptAnswer,
                                        HttpClient* callerClient) {
    if (answerStream == nullptr) {
        logError("Error connecting (2)");
        return RequestResult::noAnswerStream;
    }
    answerStream->clear();
    const std::string boundary = makeBoundary();
    const std::string contentType = "multipart/form-data; boundary=" + boundary;

    std::unique_ptr<HttpClient> ownClient;
    HttpClient* client = callerClient;
    if (client == nullptr) {
        ownClient = HttpClient::create();
        client = ownClient.get();
    }
    if (client == nullptr) {
        logError("Error connecting (4)");
        return RequestResult::noHttpClient;
    }

    std::vector<std::uint8_t> requestBody;
    if (session.cryptEnabled)
        requestBody = seal(document, "Error (proc-data): ");
    else
        requestBody.assign(document.begin(), document.end());
    if (requestBody.empty()) return RequestResult::emptyBody;

    const std::string body = multipartBody(boundary, contentType, requestBody);
    const std::string url = serverUrl();
    // A failed POST (no answer, a non-2xx status, a redirect, an oversized answer) fails the request in
    // every mode: an error page must never pass for an answer or for a downloaded file.
    if (!session.cryptEnabled || !decryptAnswer) {
        // The answer is taken as it comes.
        const PostResult posted = client->post(url, contentType, body, *answerStream, sink, transport);
        if (!posted.ok) return postFailed(posted.cause, *answerStream);
        return RequestResult::ok;
    }

    std::vector<std::uint8_t> answerCopy;
    const PostResult posted = client->post(url, contentType, body, answerCopy, sink, transport);
    if (!posted.ok) return postFailed(posted.cause, *answerStream);
    if (answerCopy.size() < 6 || isServerErrorText(answerCopy)) {
        logError("Error (data-resp)");
        return RequestResult::badAnswer;
    }
    const UnwrapResult opened = unwrapStream(answerStream, &answerCopy, keyArea_);
    if (opened != UnwrapResult::ok) {
        logError("Error (proc-data 2): " + std::to_string(base::code(opened)));
        answerStream->clear();
    }
    return RequestResult::ok;
}

std::string ServerClient::serverUrl() const {
    return "http://" + endpoint.host + ":" + std::to_string(endpoint.port) + "/" + endpoint.requestPath;
}

RequestOutcome ServerClient::runRequest(int kind, std::vector<std::uint8_t>* answerStream,
                                        const std::vector<std::string>* parameters, const ProgressSink* sink,
                                        bool decryptAnswer, HttpClient* client) {
    try {
        const std::string parameter = firstLine(parameters);
        std::string document;
        if (!composeDocument(*this, kind, parameter, document)) return RequestResult::unknownKind;
        if (isDownload(kind) && !parameter.empty()) return rawPath(document, parameter, sink);
        return libraryPath(document, answerStream, sink, decryptAnswer, client);
    } catch (const std::exception& error) {
        // Nothing that went wrong inside may pass for an answer.
        if (answerStream != nullptr) answerStream->clear();
        logError("Error (data-post)");
        logDebug(std::string("request failed: ") + error.what());
        return RequestResult::postFailed;
    } catch (...) {
        if (answerStream != nullptr) answerStream->clear();
        logError("Error (data-post)");
        return RequestResult::postFailed;
    }
}

RequestOutcome ServerClient::requestText(int kind, std::string& answer,
                                         const std::vector<std::string>* parameters, const ProgressSink* sink,
                                         bool decryptAnswer, HttpClient* client) {
    answer.clear();
    std::vector<std::uint8_t> stream;
    const RequestOutcome outcome = runRequest(kind, &stream, parameters, sink, decryptAnswer, client);
    if (!outcome.ok()) return outcome;
    try {
        answer.assign(stream.begin(), stream.end());
    } catch (...) {
        return RequestResult::textCopyFailed;
    }
    return outcome;
}

RequestResult ServerClient::requestSimple(int kind, std::string& answer, const ProgressSink* sink,
                                          bool decryptAnswer, HttpClient* client) {
    // No parameters, no target file: runRequest never takes the raw path here.
    return requestText(kind, answer, nullptr, sink, decryptAnswer, client).request;
}

RequestOutcome ServerClient::requestToFile(int kind, const std::string& parameterText,
                                           const ProgressSink* sink, bool decryptAnswer, HttpClient* client) {
    std::vector<std::string> lines;
    std::vector<std::uint8_t> throwAway;
    try {
        std::size_t start = 0;
        while (start <= parameterText.size()) {
            std::size_t end = parameterText.find('\n', start);
            if (end == std::string::npos) end = parameterText.size();
            std::string line = parameterText.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(std::move(line));
            start = end + 1;
        }
    } catch (...) {
        return RequestResult::noAnswerStream;
    }
    return runRequest(kind, &throwAway, &lines, sink, decryptAnswer, client);
}

}  // namespace server
