#include "cli/events.h"

namespace cli {

void Events::emit(const JsonLine& line) const {
    if (stream_ == nullptr) return;
    const std::string text = line.str();
    std::lock_guard lock(mutex_);
    std::fprintf(stream_, "%s\n", text.c_str());
    std::fflush(stream_);
}

JsonLine Events::event(const char* kind, const std::string& box) {
    JsonLine line;
    line.text("event", kind);
    if (!box.empty()) line.text("box", box);
    return line;
}

void ProgressEvents::update(int percent) {
    if (!events_.json() || percent == last_) return;
    const auto now = std::chrono::steady_clock::now();
    const bool step = last_ < 0 || percent / 10 != last_ / 10 || percent == 100;
    if (!step && now - lastAt_ < std::chrono::milliseconds(250)) return;
    last_ = percent;
    lastAt_ = now;
    events_.emit(Events::event("progress", box_).text("operation", operation_).number("percent", percent));
}

}  // namespace cli
