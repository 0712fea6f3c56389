#include "server/socket_stream.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace server {

namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;

using Clock = std::chrono::steady_clock;

// The time left, rounded up to whole milliseconds: a truncated value would end every wait up to 1 ms early.
int remainingMs(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

// Waits for events until the deadline has passed; poll's 0 before then only means "look again".
bool waitUntil(int fd, short events, Clock::time_point deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
        if (ready == 0 && Clock::now() >= deadline) return false;
    }
}

// "Connection refused" as the middle of a sentence.
std::string lowerFirst(const char* text) {
    std::string out = text != nullptr ? text : "";
    if (!out.empty() && out[0] >= 'A' && out[0] <= 'Z' &&
        (out.size() < 2 || !(out[1] >= 'A' && out[1] <= 'Z')))
        out[0] = static_cast<char>(out[0] - 'A' + 'a');
    return out;
}

bool waitFor(int fd, short events, int timeoutMs) {
    return waitUntil(fd, events, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

}  // namespace

SocketStream::~SocketStream() {
    close();
}

void SocketStream::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int connectAddress(const ResolvedAddress& address, Clock::time_point deadline) {
    const int fd = ::socket(address.family, address.socketType | SOCK_CLOEXEC, address.protocol);
    if (fd < 0) return -1;
    const int flags = ::fcntl(fd, F_GETFL, 0);
    bool connected = flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
    int error = 0;
    if (connected &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0) {
        socklen_t length = sizeof error;
        connected = errno == EINPROGRESS && waitUntil(fd, POLLOUT, deadline) &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (connected) return fd;
    // errno tells the caller why: the socket's own error, or a time-out when the wait ran out.
    const int cause = error != 0 ? error : (errno == EINPROGRESS || errno == 0 ? ETIMEDOUT : errno);
    ::close(fd);
    errno = cause;
    return -1;
}

int connectWithinBudget(const std::vector<ResolvedAddress>& addresses, Clock::time_point deadline,
                        const ConnectAttempt& attempt) {
    for (const ResolvedAddress& address : addresses) {
        if (Clock::now() >= deadline) break;
        const int fd = attempt(address, deadline);
        if (fd >= 0) return fd;
    }
    return -1;
}

bool SocketStream::connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    close();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string where = host + ":" + std::to_string(port);
    if (const int code = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        code != 0) {
        failure_ = "cannot resolve " + host + ": " + lowerFirst(::gai_strerror(code));
        return false;
    }
    std::vector<ResolvedAddress> addresses;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
        ResolvedAddress& address = addresses.emplace_back();
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        address.family = entry->ai_family;
        address.socketType = entry->ai_socktype;
        address.protocol = entry->ai_protocol;
    }
    ::freeaddrinfo(found);
    errno = ETIMEDOUT;  // what is left when the budget is spent before any attempt
    fd_ = connectWithinBudget(addresses, deadline, connectAddress);
    if (fd_ < 0) failure_ = "cannot connect to " + where + ": " + lowerFirst(std::strerror(errno));
    return fd_ >= 0;
}

bool SocketStream::writeAll(const void* data, std::size_t size, int timeoutMs) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(fd_, bytes, size, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd_, POLLOUT, timeoutMs))
            continue;
        return false;
    }
    return true;
}

SocketStream::ReadStatus SocketStream::fill(std::chrono::steady_clock::time_point deadline) {
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    if (!waitUntil(fd_, POLLIN, deadline)) return ReadStatus::failed;
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    ssize_t got;
    do {
        got = ::recv(fd_, buffer_.data() + old, kChunk, 0);
    } while (got < 0 && errno == EINTR);
    buffer_.resize(old + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got > 0) return ReadStatus::data;
    return got == 0 ? ReadStatus::closed : ReadStatus::failed;
}

bool SocketStream::readUntil(const std::string& terminator, std::size_t limit, int timeoutMs,
                             std::string& out) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t searched = start_;
    for (;;) {
        const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(searched);
        const auto hit = std::search(begin, buffer_.end(), terminator.begin(), terminator.end());
        if (hit != buffer_.end()) {
            const auto offset = static_cast<std::size_t>(hit - buffer_.begin());
            if (offset - start_ > limit) return false;
            out.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), hit);
            start_ = offset + terminator.size();
            return true;
        }
        if (buffer_.size() - start_ > limit + terminator.size()) return false;
        // A terminator may straddle two reads: search again from just before the old end.
        searched = std::max(start_,
                            buffer_.size() >= terminator.size() ? buffer_.size() - terminator.size() + 1 : 0);
        if (start_ > 0) {  // keep the buffer small: drop what was consumed
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
            searched -= start_;
            start_ = 0;
        }
        if (fill(deadline) != ReadStatus::data) return false;
    }
}

SocketStream::ReadStatus SocketStream::readSome(std::vector<std::uint8_t>& out, int timeoutMs) {
    out.clear();
    if (start_ == buffer_.size()) {
        const ReadStatus status = fill(Clock::now() + std::chrono::milliseconds(timeoutMs));
        if (status != ReadStatus::data) return status;
    }
    out.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), buffer_.end());
    buffer_.clear();
    start_ = 0;
    return ReadStatus::data;
}

}  // namespace server
