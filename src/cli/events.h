// arvex-cli --json: the events a run reports, one JSON object per line on the JSON stream (docs/cli-json.md).
// Without --json every call is a no-op, so commands report unconditionally.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/json_line.h"

namespace cli {

class Events {
public:
    explicit Events(std::FILE* stream = nullptr) : stream_(stream) {}
    [[nodiscard]] bool json() const { return stream_ != nullptr; }

    // Writes the object as one line, whole, even when several workers report at once.
    void emit(const JsonLine& line) const;
    // An event of the given kind, tagged with the box's device path when there is one.
    static JsonLine event(const char* kind, const std::string& box = {});

    void found(const std::string& box) const { emit(event("found", box)); }
    void log(const std::string& box, const std::string& text, const char* level = "info") const {
        emit(event("log", box).text("level", level).text("text", text));
    }

private:
    std::FILE* stream_;
    mutable std::mutex mutex_;
};

// Progress of one operation at a bounded rate: every whole 10 % step, and otherwise at most four a second.
class ProgressEvents {
public:
    ProgressEvents(const Events& events, std::string box, std::string operation)
        : events_(events), box_(std::move(box)), operation_(std::move(operation)) {}
    void update(int percent);

private:
    const Events& events_;
    std::string box_;
    std::string operation_;
    int last_ = -1;
    std::chrono::steady_clock::time_point lastAt_{};
};

}  // namespace cli
