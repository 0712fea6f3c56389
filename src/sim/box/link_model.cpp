#include "sim/box/link_model.h"

#include <algorithm>

namespace sim {

namespace {

using std::chrono::milliseconds;
constexpr milliseconds kFrame{1};

// The end of the 1 ms USB frame in which a transfer submitted at t can complete.
LinkModel::Clock::time_point nextFrameEdge(LinkModel::Clock::time_point t) {
    return LinkModel::Clock::time_point(std::chrono::ceil<milliseconds>(t.time_since_epoch()));
}

}  // namespace

LinkModel::Clock::time_point LinkModel::sendSlot(Clock::time_point now, bool paced) {
    if (!paced) return now;
    lastOutDone_ = std::max(nextFrameEdge(now), lastOutDone_ + kFrame);
    return lastOutDone_;
}

LinkModel::Clock::time_point LinkModel::answerSlot(Clock::time_point sentAt, bool paced) {
    const auto readyAt = std::max(sentAt, answersHeldUntil_);
    if (!paced) return readyAt;
    lastAnswerReady_ = std::max(readyAt + kFrame, lastAnswerReady_ + kFrame);
    return lastAnswerReady_;
}

void LinkModel::holdAnswersUntil(Clock::time_point until) {
    answersHeldUntil_ = std::max(answersHeldUntil_, until);
}

}  // namespace sim
