// A blocking TCP connection with poll() time-outs and a read buffer, for the hand-built download.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <sys/socket.h>

namespace server {

// One address a host name resolved to.
struct ResolvedAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = 0;
    int socketType = 0;
    int protocol = 0;
};

// Tries one address until the deadline; returns a connected descriptor or -1.
using ConnectAttempt =
    std::function<int(const ResolvedAddress& address, std::chrono::steady_clock::time_point)>;

// Tries the addresses in order under one shared deadline, so a dead first route cannot add its own
// full time-out to the next one's. Returns the first connected descriptor, or -1.
[[nodiscard]] int connectWithinBudget(const std::vector<ResolvedAddress>& addresses,
                                      std::chrono::steady_clock::time_point deadline,
                                      const ConnectAttempt& attempt);

// A non-blocking connect to one address, waited for until the deadline; after a failure errno says why.
[[nodiscard]] int connectAddress(const ResolvedAddress& address,
                                 std::chrono::steady_clock::time_point deadline);

class SocketStream {
public:
    SocketStream() = default;
    ~SocketStream();
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    // timeoutMs is the budget for the whole connect: name look-up aside, all addresses share it. After a
    // failure, failure() says why ("cannot connect to 127.0.0.1:1: connection refused").
    [[nodiscard]] bool connect(const std::string& host, std::uint16_t port, int timeoutMs);
    [[nodiscard]] const std::string& failure() const { return failure_; }
    [[nodiscard]] bool writeAll(const void* data, std::size_t size, int timeoutMs);

    // Reads up to and including the first terminator; out gets the text before it. Fails on time-out,
    // error, end of stream, or more than limit characters without the terminator.
    [[nodiscard]] bool readUntil(const std::string& terminator, std::size_t limit, int timeoutMs,
                                 std::string& out);

    enum class ReadStatus { data, closed, failed };
    // Hands out what is buffered or the next bytes that arrive within timeoutMs.
    [[nodiscard]] ReadStatus readSome(std::vector<std::uint8_t>& out, int timeoutMs);

    void close();

private:
    [[nodiscard]] ReadStatus fill(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    std::string failure_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first unread byte in buffer_
};

}  // namespace server
