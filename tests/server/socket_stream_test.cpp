#include "server/socket_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace {

using namespace server;
using Clock = std::chrono::steady_clock;

// A port on 127.0.0.1 whose connections the kernel completes and nobody ever answers.
class SilentListener {
public:
    SilentListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(fd_, 16) == 0 && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~SilentListener() {
        if (fd_ >= 0) ::close(fd_);
    }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

ResolvedAddress loopback(const char* ip, std::uint16_t port) {
    ResolvedAddress resolved;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, ip, &address.sin_addr);
    std::memcpy(&resolved.address, &address, sizeof address);
    resolved.length = sizeof address;
    resolved.family = AF_INET;
    resolved.socketType = SOCK_STREAM;
    return resolved;
}

// Every read time-out lasts at least as long as asked; a truncated time left once ended them up to 1 ms
// early, which the very first wait already showed.
TEST(SocketStreamTest, ReadTimeOutsNeverEndEarly) {
    SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    constexpr int kTimeoutMs = 20;
    for (int round = 0; round < 10; ++round) {
        SocketStream stream;
        ASSERT_TRUE(stream.connect("127.0.0.1", listener.port(), 2000));
        std::string text;
        auto start = Clock::now();
        EXPECT_FALSE(stream.readUntil("\r\n", 2048, kTimeoutMs, text));
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kTimeoutMs))
            << "readUntil, round " << round;
        std::vector<std::uint8_t> chunk;
        start = Clock::now();
        EXPECT_EQ(stream.readSome(chunk, kTimeoutMs), SocketStream::ReadStatus::failed);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kTimeoutMs)) << "readSome, round " << round;
    }
}

// All addresses of a host share one deadline: a later address gets what the earlier ones left.
TEST(SocketStreamTest, AddressesShareOneConnectDeadline) {
    const std::vector<ResolvedAddress> three = {loopback("127.0.0.2", 1), loopback("127.0.0.3", 1),
                                                loopback("127.0.0.4", 1)};
    struct Case {
        const char* name;
        int succeedAt;  // index of the attempt that connects; -1 for none
        std::chrono::milliseconds budget;
        std::size_t attempts;
        int result;
    };
    const Case cases[] = {
        {"all fail", -1, std::chrono::milliseconds(20000), 3, -1},
        {"second connects", 1, std::chrono::milliseconds(20000), 2, 42},
        {"budget already spent", 0, std::chrono::milliseconds(-1), 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Clock::time_point deadline = Clock::now() + c.budget;
        std::vector<Clock::time_point> given;
        const int fd =
            connectWithinBudget(three, deadline, [&](const ResolvedAddress&, Clock::time_point until) {
                given.push_back(until);
                return static_cast<int>(given.size()) - 1 == c.succeedAt ? 42 : -1;
            });
        EXPECT_EQ(fd, c.result);
        ASSERT_EQ(given.size(), c.attempts);
        for (const Clock::time_point until : given) EXPECT_EQ(until, deadline);
    }

    // An attempt that uses up the budget leaves nothing for the rest.
    std::size_t attempts = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(5);
    EXPECT_EQ(connectWithinBudget(three, deadline,
                                  [&](const ResolvedAddress&, Clock::time_point until) {
                                      ++attempts;
                                      while (Clock::now() < until) ::usleep(1000);
                                      return -1;
                                  }),
              -1);
    EXPECT_EQ(attempts, 1u);
}

TEST(SocketStreamTest, RefusedAddressGivesWayToTheNext) {
    SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    // The listener is bound to 127.0.0.1 only: 127.0.0.2 refuses at once.
    const std::vector<ResolvedAddress> addresses = {loopback("127.0.0.2", listener.port()),
                                                    loopback("127.0.0.1", listener.port())};
    const int fd = connectWithinBudget(addresses, Clock::now() + std::chrono::seconds(5), connectAddress);
    EXPECT_GE(fd, 0);
    if (fd >= 0) ::close(fd);
}

}  // namespace
