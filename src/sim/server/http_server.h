// A small HTTP/1.1 server on 127.0.0.1: one thread per connection (bounded), one request per connection.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sim {

struct HttpRequest {
    std::string method;
    std::string target;   // path and query as sent
    std::string version;  // "HTTP/1.0" or "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::string header(const std::string& name) const;  // case-insensitive; empty when absent
};

// The response side of one connection, handed to the request handler.
class ResponseWriter {
public:
    ResponseWriter(int fd, int wakeFd, int timeoutMs) : fd_(fd), wakeFd_(wakeFd), timeoutMs_(timeoutMs) {}
    [[nodiscard]] bool write(const void* data, std::size_t size);
    [[nodiscard]] bool write(const std::string& text) { return write(text.data(), text.size()); }
    // Blocks until the peer closes, the server stops or timeoutMs passes (the "kept open" fault).
    void holdOpen(int timeoutMs);
    // Sleeps up to delayMs, returning early when the server stops.
    void pause(int delayMs);

private:
    int fd_;
    int wakeFd_;
    int timeoutMs_;
};

using RequestHandler = std::function<void(const HttpRequest& request, ResponseWriter& response)>;

struct HttpServerLimits {
    std::size_t maxConnections = 16;
    std::size_t maxHeadBytes = std::size_t{16} * 1024;
    std::size_t maxBodyBytes = 4u << 20;
    int ioTimeoutMs = 10000;
};

class HttpServer {
public:
    explicit HttpServer(RequestHandler handler, HttpServerLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port). False when the port cannot be bound.
    [[nodiscard]] bool start(std::uint16_t port);
    void stop();
    std::uint16_t port() const { return port_; }

    // While set, the port refuses connections (the listening socket stays bound to it).
    void setRefuseConnections(bool refuse);

private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(int fd);
    void reapFinished();

    RequestHandler handler_;
    HttpServerLimits limits_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};  // written once at stop: wakes every wait of every thread
    int kickPipe_[2] = {-1, -1};  // wakes the accept loop when the refusal switch changes
    std::mutex listenMutex_;
    std::uint16_t port_ = 0;
    bool refuse_ = false;  // guarded by listenMutex_
    std::thread acceptThread_;
    std::mutex workersMutex_;
    std::list<Worker> workers_;
};

}  // namespace sim
