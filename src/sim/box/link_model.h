// How reports travel over the box's full-speed USB link: with pacing on, one 64-byte report per 1 ms
// frame in each direction; an answer leaves in a later frame than its request, and never before the
// box's erase has finished.
#pragma once

#include <chrono>

namespace sim {

class LinkModel {
public:
    using Clock = std::chrono::steady_clock;

    // When a host report submitted at `now` is on the box (the end of the next free frame when paced).
    [[nodiscard]] Clock::time_point sendSlot(Clock::time_point now, bool paced);
    // When the answer to a request that reached the box at `sentAt` can be read by the host.
    [[nodiscard]] Clock::time_point answerSlot(Clock::time_point sentAt, bool paced);
    // No answer leaves the box before `until`.
    void holdAnswersUntil(Clock::time_point until);

private:
    Clock::time_point lastOutDone_{};
    Clock::time_point lastAnswerReady_{};
    Clock::time_point answersHeldUntil_{};
};

}  // namespace sim
