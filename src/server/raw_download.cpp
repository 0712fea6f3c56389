#include "server/raw_download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

#include "server/documents.h"
#include "server/socket_stream.h"
#include "server/status_block.h"

namespace server {

namespace {

const std::string kBoundary = kRawBoundary;

// The parts that every delimiter line and the boundary parameter share.
const std::string kDelimiter = "----------" + kBoundary;
const std::string kBoundaryParameter = "--------" + kBoundary;

// A temporary file beside the target that disappears unless it is committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : target_(target) {
        const std::filesystem::path path(target);
        std::string pattern =
            (path.parent_path() / ("." + path.filename().string() + ".part-XXXXXX")).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ >= 0) {
            path_ = pattern;
            ::fchmod(fd_, 0644);  // mkstemp's 0600 would hide a saved download from other users
        }
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    bool write(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t done = ::write(fd_, data, size);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return false;
            data += done;
            size -= static_cast<std::size_t>(done);
        }
        return true;
    }
    bool commit() {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!closed || std::rename(path_.c_str(), target_.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
};

RawDownloadOutcome exchange(const Endpoint& endpoint, const RawDownloadSettings& settings,
                            const std::string& targetFile, const std::vector<std::uint8_t>& payload,
                            const ProgressSink& sink) {
    const std::string where = endpoint.host + ":" + std::to_string(endpoint.port);
    SocketStream connection;
    if (!connection.connect(endpoint.host, static_cast<std::uint16_t>(endpoint.port),
                            settings.connectTimeoutMs))
        return {RawDownloadResult::connectFailed, connection.failure()};

    const std::string head =
        rawRequestHead(endpoint.requestPath, static_cast<std::int64_t>(payload.size()), endpoint.hostHeader);
    const std::string bodyHead = rawBodyHead();
    const std::string bodyTail = rawBodyTail();
    const int writeTimeout = settings.headTimeoutMs;
    if (!connection.writeAll(head.data(), head.size(), writeTimeout) ||
        !connection.writeAll(bodyHead.data(), bodyHead.size(), writeTimeout) ||
        !connection.writeAll(payload.data(), payload.size(), writeTimeout) ||
        !connection.writeAll(bodyTail.data(), bodyTail.size(), writeTimeout))
        return {RawDownloadResult::protocol, "cannot send the request to " + where};

    std::string replyHead;
    if (!connection.readUntil("\r\n\r\n", settings.lineLimit, settings.headTimeoutMs, replyHead))
        return {RawDownloadResult::protocol, "no complete reply head from " + where + " within " +
                                                 std::to_string(settings.headTimeoutMs) + " ms"};
    if (replyHead.find("HTTP/1.1 200 OK") == std::string::npos)
        return {
            RawDownloadResult::protocol,
            where + " answered '" + replyHead.substr(0, replyHead.find("\r\n")) + "', not 'HTTP/1.1 200 OK'"};

    std::string block;
    if (!connection.readUntil(std::string(kStatusBlockEnd), settings.lineLimit, settings.bodyTimeoutMs,
                              block))
        return {RawDownloadResult::protocol, "no status block from " + where};
    std::int32_t expected = 0;
    if (const RawDownloadResult code = readStatusBlock(block, expected); code != RawDownloadResult::ok)
        return {code, code == RawDownloadResult::refused ? where + " refused the file: " + block
                                                         : "bad status block: " + block};

    TemporaryFile file(targetFile);
    if (!file.isOpen())
        return {RawDownloadResult::cannotCreate,
                "cannot create a file beside " + targetFile + ": " + std::strerror(errno)};

    sink.begin(expected > 0 ? expected : 0);
    std::int64_t received = 0;
    std::vector<std::uint8_t> chunk;
    for (;;) {
        const SocketStream::ReadStatus status = connection.readSome(chunk, settings.bodyTimeoutMs);
        if (status == SocketStream::ReadStatus::closed) break;
        if (status == SocketStream::ReadStatus::failed) {
            sink.end();
            return {RawDownloadResult::readFailed, "the file from " + where + " stopped after " +
                                                       std::to_string(received) + " bytes (nothing for " +
                                                       std::to_string(settings.bodyTimeoutMs) + " ms)"};
        }
        if (!file.write(chunk.data(), chunk.size())) {
            const std::string error = std::strerror(errno);
            sink.end();
            return {RawDownloadResult::readFailed, "cannot write " + targetFile + ": " + error};
        }
        received += static_cast<std::int64_t>(chunk.size());
        sink.work(received);
    }
    sink.end();
    connection.close();

    if (expected == 0 || received != expected)
        return {RawDownloadResult::sizeMismatch, "received " + std::to_string(received) +
                                                     " bytes, the server announced " +
                                                     std::to_string(expected)};
    if (!file.commit())
        return {RawDownloadResult::cannotCreate, "cannot save " + targetFile + ": " + std::strerror(errno)};
    return {};
}

}  // namespace

std::string rawBodyHead() {
    return kDelimiter +
           "\r\nContent-Disposition: form-data; name=\"data\"; filename=\"file\"\r\n"
           "Content-Type: multipart/form-data; boundary=" +
           kBoundaryParameter + "\r\nContent-Transfer-Encoding: binary\r\n\r\n";
}

std::string rawBodyTail() {
    return "\r\n" + kDelimiter + "--\r\n";
}

std::string rawRequestHead(const std::string& path, std::int64_t payloadSize, const std::string& hostHeader) {
    const std::int64_t length =
        static_cast<std::int64_t>(rawBodyHead().size() + rawBodyTail().size()) + payloadSize;
    char number[32];
    std::snprintf(number, sizeof number, "%" PRId64, length);
    return "POST /" + path +
           " HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: multipart/form-data; boundary=" +
           kBoundaryParameter + "\r\nContent-Length: " + number + "\r\nHost: " + hostHeader +
           "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\nUser-Agent: " + kUserAgent +
           "\r\n\r\n";
}

RawDownloadOutcome rawPostToFile(const Endpoint& endpoint, const RawDownloadSettings& settings,
                                 const std::string& targetFile, const std::vector<std::uint8_t>* payload,
                                 const ProgressSink* sink) {
    if (payload == nullptr || sink == nullptr)
        return {RawDownloadResult::noPayload, "no payload or no progress sink"};
    try {
        return exchange(endpoint, settings, targetFile, *payload, *sink);
    } catch (const std::exception& error) {
        return {RawDownloadResult::connectFailed, std::string("download failed: ") + error.what()};
    } catch (...) {
        return {RawDownloadResult::connectFailed, "download failed"};
    }
}

}  // namespace server
