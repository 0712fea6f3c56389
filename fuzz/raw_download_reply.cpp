// The hand-built download's reply: the input is everything the server sends back (head, status block and
// file), served by a listener on 127.0.0.1 to the real download road; then the same bytes after the head
// go to the status block reader and the in-memory download check. The target file lives in a temporary
// folder that is removed at exit.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/raw_download.h"
#include "server/status_block.h"

namespace {

namespace fs = std::filesystem;

// Answers one connection at a time: reads the request up to its closing delimiter, sends the reply, closes.
class ReplyServer {
public:
    ReplyServer() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listenFd_, 4) != 0 ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
        thread_.detach();  // lives as long as the process
    }
    int port() const { return port_; }
    void setReply(std::string reply) {
        std::lock_guard lock(mutex_);
        reply_ = std::move(reply);
    }

private:
    void serve() {
        const std::string end = server::rawBodyTail();
        for (;;) {
            const int fd = ::accept(listenFd_, nullptr, nullptr);
            if (fd < 0) continue;
            std::string request;
            char chunk[4096];
            while (request.size() < end.size() ||
                   request.compare(request.size() - end.size(), end.size(), end) != 0) {
                const ssize_t got = ::read(fd, chunk, sizeof chunk);
                if (got <= 0) break;
                request.append(chunk, static_cast<std::size_t>(got));
            }
            std::string reply;
            {
                std::lock_guard lock(mutex_);
                reply = reply_;
            }
            for (std::size_t sent = 0; sent < reply.size();) {
                const ssize_t put = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (put <= 0) break;
                sent += static_cast<std::size_t>(put);
            }
            ::close(fd);
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::string reply_;
};

struct Fixture {
    Fixture() {
        std::string pattern = (fs::temp_directory_path() / "arvex-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        target = (fs::path(folder) / "file").string();
        settings.connectTimeoutMs = 2000;
        settings.headTimeoutMs = 2000;
        settings.bodyTimeoutMs = 2000;
    }
    // Made once and never destroyed (the listener thread uses it to the end); the folder goes at exit.
    static Fixture& instance() {
        static Fixture* fixture = [] {
            auto* made = new Fixture;
            std::atexit([] {
                std::error_code ignored;
                fs::remove_all(instance().folder, ignored);
            });
            return made;
        }();
        return *fixture;
    }
    std::string folder;
    std::string target;
    server::RawDownloadSettings settings;
    ReplyServer server;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fixture& fixture = Fixture::instance();
    const std::string reply(reinterpret_cast<const char*>(data), size);
    fixture.server.setReply(reply);
    const std::vector<std::uint8_t> payload{'<', 'x', '/', '>'};
    const server::ProgressSink sink;
    const server::Endpoint endpoint{"127.0.0.1", fixture.server.port(), "get", "127.0.0.1"};
    const server::RawDownloadOutcome outcome =
        server::rawPostToFile(endpoint, fixture.settings, fixture.target, &payload, &sink);
    if (outcome.code != server::RawDownloadResult::ok) {
        if (outcome.cause.empty()) __builtin_trap();  // a failure names its cause
        std::error_code ignored;
        if (fs::exists(fixture.target, ignored)) __builtin_trap();  // a failed download leaves no file
    } else {
        fs::remove(fixture.target);
    }

    const std::size_t headEnd = reply.find("\r\n\r\n");
    std::string body = headEnd == std::string::npos ? reply : reply.substr(headEnd + 4);
    std::int32_t declared = 0;
    if (const std::size_t blockEnd = body.find(server::kStatusBlockEnd); blockEnd != std::string::npos)
        (void)server::readStatusBlock(std::string_view(body).substr(0, blockEnd), declared);
    const std::size_t received = body.size();
    if (server::takeDownloadedFile(body) == server::RawDownloadResult::ok && body.size() > received)
        __builtin_trap();
    return 0;
}
