// A blocking TCP connection with poll() time-outs and a read buffer, for the hand-built download.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ArvexClient {

class SocketStream {
public:
    SocketStream() = default;
    ~SocketStream();
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    bool connect(const std::string& host, std::uint16_t port, int timeoutMs);
    bool writeAll(const void* data, std::size_t size, int timeoutMs);

    // Reads up to and including the first terminator; out gets the text before it. Fails on time-out,
    // error, end of stream, or more than limit characters without the terminator.
    bool readUntil(const std::string& terminator, std::size_t limit, int timeoutMs, std::string& out);

    enum class ReadStatus { kData, kClosed, kFailed };
    // Hands out what is buffered or the next bytes that arrive within timeoutMs.
    ReadStatus readSome(std::vector<std::uint8_t>& out, int timeoutMs);

    void close();

private:
    ReadStatus fill(int timeoutMs);

    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first unread byte in buffer_
};

}  // namespace ArvexClient
