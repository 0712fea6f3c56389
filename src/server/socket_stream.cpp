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

namespace ArvexClient {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool connectOne(int fd, const addrinfo& address, int timeoutMs) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) return false;
        if (!waitFor(fd, POLLOUT, timeoutMs)) return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
    }
    return true;
}

}  // namespace

SocketStream::~SocketStream() {
    close();
}

void SocketStream::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool SocketStream::connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const int fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) continue;
        if (connectOne(fd, *address, timeoutMs)) {
            fd_ = fd;
            break;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
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

SocketStream::ReadStatus SocketStream::fill(int timeoutMs) {
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    if (!waitFor(fd_, POLLIN, timeoutMs)) return ReadStatus::kFailed;
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    ssize_t got;
    do {
        got = ::recv(fd_, buffer_.data() + old, kChunk, 0);
    } while (got < 0 && errno == EINTR);
    buffer_.resize(old + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got > 0) return ReadStatus::kData;
    return got == 0 ? ReadStatus::kClosed : ReadStatus::kFailed;
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
        if (fill(remainingMs(deadline)) != ReadStatus::kData) return false;
    }
}

SocketStream::ReadStatus SocketStream::readSome(std::vector<std::uint8_t>& out, int timeoutMs) {
    out.clear();
    if (start_ == buffer_.size()) {
        const ReadStatus status = fill(timeoutMs);
        if (status != ReadStatus::kData) return status;
    }
    out.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), buffer_.end());
    buffer_.clear();
    start_ = 0;
    return ReadStatus::kData;
}

}  // namespace ArvexClient
