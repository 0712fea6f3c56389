#include "sim/server/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Waits for events on fd; false on time-out, error or a stop of the server.
bool waitFor(int fd, short events, int wakeFd, int timeoutMs) {
    pollfd entries[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int ready = ::poll(entries, 2, static_cast<int>(std::max<long long>(left, 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || entries[1].revents != 0) return false;
        return true;
    }
}

// Reads the request head and its body (Content-Length); false on anything malformed or too large.
bool readRequest(int fd, int wakeFd, const HttpServerLimits& limits, HttpRequest& request) {
    std::string data;
    std::size_t headEnd = std::string::npos;
    char chunk[16 * 1024];
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > limits.maxHeadBytes) return false;
        if (!waitFor(fd, POLLIN, wakeFd, limits.ioTimeoutMs)) return false;
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        data.append(chunk, static_cast<std::size_t>(got));
    }
    const std::string head = data.substr(0, headEnd);
    std::size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const std::size_t space1 = requestLine.find(' ');
    const std::size_t space2 = requestLine.rfind(' ');
    if (space1 == std::string::npos || space2 == space1) return false;
    request.method = requestLine.substr(0, space1);
    request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
    request.version = requestLine.substr(space2 + 1);
    while (lineEnd != std::string::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line =
            head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        request.headers.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
    }

    std::size_t length = 0;
    const std::string lengthText = request.header("Content-Length");
    if (!lengthText.empty()) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(lengthText.c_str(), &end, 10);
        if (*end != '\0' || value > limits.maxBodyBytes) return false;
        length = static_cast<std::size_t>(value);
    }
    request.body = data.substr(headEnd + 4);
    while (request.body.size() < length) {
        if (!waitFor(fd, POLLIN, wakeFd, limits.ioTimeoutMs)) return false;
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        request.body.append(chunk, static_cast<std::size_t>(got));
    }
    request.body.resize(length);
    return true;
}

}  // namespace

std::string HttpRequest::header(const std::string& name) const {
    const std::string wanted = lower(name);
    for (const auto& [key, value] : headers)
        if (lower(key) == wanted) return value;
    return {};
}

bool ResponseWriter::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        if (!waitFor(fd_, POLLOUT, wakeFd_, timeoutMs_)) return false;
        const ssize_t sent = ::send(fd_, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        if (sent <= 0) return false;
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void ResponseWriter::holdOpen(int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char sink[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !waitFor(fd_, POLLIN, wakeFd_, static_cast<int>(left))) return;
        if (::recv(fd_, sink, sizeof sink, 0) <= 0) return;  // the peer closed
    }
}

void ResponseWriter::pause(int delayMs) {
    pollfd entry{wakeFd_, POLLIN, 0};
    ::poll(&entry, 1, delayMs);
}

namespace {

void listenAgain(int fd, std::uint16_t port) {
    const int fresh = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fresh < 0) return;
    const int yes = 1;
    ::setsockopt(fresh, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fresh, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fresh, 64) == 0)
        ::dup3(fresh, fd, O_CLOEXEC);
    ::close(fresh);
}

}  // namespace

HttpServer::HttpServer(RequestHandler handler, HttpServerLimits limits)
    : handler_(std::move(handler)), limits_(limits) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::start(std::uint16_t port) {
    if (listenFd_ >= 0) return false;
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0 || ::pipe2(kickPipe_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        stop();
        return false;
    }
    port_ = ntohs(address.sin_port);
    {
        std::lock_guard lock(listenMutex_);
        if (refuse_) ::shutdown(listenFd_, SHUT_RD);
    }
    acceptThread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void HttpServer::stop() {
    if (wakePipe_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakePipe_[1], &byte, 1);
    }
    if (acceptThread_.joinable()) acceptThread_.join();
    {
        std::lock_guard lock(workersMutex_);
        for (Worker& worker : workers_) worker.thread.join();
        workers_.clear();
    }
    for (int* fd : {&listenFd_, &wakePipe_[0], &wakePipe_[1], &kickPipe_[0], &kickPipe_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void HttpServer::setRefuseConnections(bool refuse) {
    std::lock_guard lock(listenMutex_);
    if (refuse == refuse_) return;
    refuse_ = refuse;
    if (listenFd_ < 0) return;
    // On Linux a shut-down listening socket refuses connections; it does not listen again, so a fresh
    // socket on the same port takes its descriptor.
    if (refuse)
        ::shutdown(listenFd_, SHUT_RD);
    else
        listenAgain(listenFd_, port_);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(kickPipe_[1], &byte, 1);
}

void HttpServer::reapFinished() {
    std::lock_guard lock(workersMutex_);
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->done) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void HttpServer::acceptLoop() {
    for (;;) {
        bool refusing;
        {
            std::lock_guard lock(listenMutex_);
            refusing = refuse_;
        }
        pollfd entries[3] = {
            {refusing ? -1 : listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}, {kickPipe_[0], POLLIN, 0}};
        const int ready = ::poll(entries, 3, 1000);
        if (ready < 0 && errno != EINTR) return;
        if (entries[1].revents != 0) return;
        if (entries[2].revents != 0) {
            char drain[16];
            while (::read(kickPipe_[0], drain, sizeof drain) > 0) {
            }
        }
        reapFinished();
        if (ready <= 0 || (entries[0].revents & POLLIN) == 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(workersMutex_);
        if (workers_.size() >= limits_.maxConnections) {
            const linger reset{1, 0};  // close with RST: the peer sees a refused exchange
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ::close(fd);
            continue;
        }
        Worker& worker = workers_.emplace_back();
        worker.thread = std::thread([this, fd, &worker] {
            serve(fd);
            worker.done = true;
        });
    }
}

void HttpServer::serve(int fd) {
    HttpRequest request;
    ResponseWriter response(fd, wakePipe_[0], limits_.ioTimeoutMs);
    if (readRequest(fd, wakePipe_[0], limits_, request)) {
        handler_(request, response);
    } else {
        // The connection is closed right after: a failed write leaves nothing to undo.
        (void)response.write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

}  // namespace sim
