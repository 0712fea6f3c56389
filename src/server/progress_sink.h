// How a caller follows a transfer of the server client; every handler is optional.
#pragma once

#include <cstdint>
#include <functional>

namespace server {

struct ProgressSink {
    std::function<void(std::int64_t expectedTotal)> onWorkBegin;  // 0 when the total is unknown
    std::function<void(std::int64_t bytesSoFar)> onWork;
    std::function<void()> onWorkEnd;

    void begin(std::int64_t total) const {
        if (onWorkBegin) onWorkBegin(total);
    }
    void work(std::int64_t count) const {
        if (onWork) onWork(count);
    }
    void end() const {
        if (onWorkEnd) onWorkEnd();
    }
};

}  // namespace server
