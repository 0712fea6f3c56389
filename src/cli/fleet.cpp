#include "cli/fleet.h"

#include <algorithm>
#include <map>
#include <set>
#include <thread>

#include "cli/json_line.h"
#include "hid/discovery.h"

namespace cli {

namespace {

using std::chrono::milliseconds;
constexpr milliseconds kRedrawEvery{100};  // a terminal's lines at most ten times a second
constexpr int kPlainStep = 10;             // plain and json progress: one line per 10 %

std::string seconds(FleetBoard::Clock::duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(elapsed).count());
    return text;
}

// Forwards one job's reports to its row of the board.
class RowReporter final : public BoxReporter {
public:
    RowReporter(FleetBoard& board, std::size_t row) : board_(board), row_(row) {}
    void serial(const std::string& serial) override { board_.serial(row_, serial); }
    void progress(const std::string& phase, int percent) override { board_.progress(row_, phase, percent); }
    void line(const std::string& text) override { board_.line(row_, text); }

private:
    FleetBoard& board_;
    std::size_t row_;
};

}  // namespace

FleetBoard::FleetBoard(std::FILE* out, Style style) : out_(out), style_(style) {}

std::size_t FleetBoard::add(const std::string& box) {
    std::lock_guard lock(mutex_);
    Row row;
    row.box = box;
    row.began = Clock::now();
    rows_.push_back(row);
    if (style_ == Style::json) eventLocked(rows_.back(), "\"event\":\"found\"");
    if (style_ == Style::plain) std::fprintf(out_, "%s: found\n", box.c_str());
    redrawLocked(true);
    return rows_.size() - 1;
}

void FleetBoard::serial(std::size_t row, const std::string& serial) {
    std::lock_guard lock(mutex_);
    rows_.at(row).serial = serial;
    if (style_ == Style::json)
        eventLocked(rows_[row], "\"event\":\"identity\",\"serial\":" + jsonQuoted(serial));
    if (style_ == Style::plain) std::fprintf(out_, "%s: serial %s\n", rows_[row].box.c_str(), serial.c_str());
    redrawLocked(true);
}

void FleetBoard::progress(std::size_t row, const std::string& phase, int percent) {
    std::lock_guard lock(mutex_);
    Row& r = rows_.at(row);
    r.phase = phase;
    r.percent = std::clamp(percent, 0, 100);
    if (style_ == Style::terminal) return redrawLocked(false);
    const bool step = r.phase != r.shownPhase || r.percent / kPlainStep != r.shownPercent / kPlainStep;
    if (!step) return;
    r.shownPhase = r.phase;
    r.shownPercent = r.percent;
    if (style_ == Style::json)
        eventLocked(r, "\"event\":\"progress\",\"phase\":" + jsonQuoted(phase) +
                           ",\"percent\":" + std::to_string(r.percent));
    else
        std::fprintf(out_, "%s: %s %d%%\n", r.box.c_str(), phase.c_str(), r.percent);
    std::fflush(out_);
}

void FleetBoard::line(std::size_t row, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (style_ == Style::json) eventLocked(rows_.at(row), "\"event\":\"log\",\"text\":" + jsonQuoted(text));
    if (style_ == Style::plain) std::fprintf(out_, "%s: %s\n", rows_.at(row).box.c_str(), text.c_str());
    std::fflush(out_);
}

void FleetBoard::finish(std::size_t row, const BoxOutcome& outcome) {
    std::lock_guard lock(mutex_);
    Row& r = rows_.at(row);
    r.outcome = outcome;
    r.ended = Clock::now();
    if (style_ == Style::json)
        eventLocked(r, "\"event\":\"result\",\"exit\":" + std::to_string(outcome.exitCode) +
                           ",\"result\":" + jsonQuoted(outcome.result));
    if (style_ == Style::plain)
        std::fprintf(out_, "%s: %s (%s)\n", r.box.c_str(), outcome.result.c_str(),
                     seconds(r.ended - r.began).c_str());
    redrawLocked(true);
    std::fflush(out_);
}

void FleetBoard::note(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (style_ == Style::json) {
        std::fprintf(out_, "{\"event\":\"log\",\"text\":%s}\n", jsonQuoted(text).c_str());
    } else {
        // On a terminal the note goes above the box lines, which are drawn again below it.
        if (style_ == Style::terminal && drawnRows_ > 0) std::fprintf(out_, "\x1b[%zuA\x1b[J", drawnRows_);
        std::fprintf(out_, "%s\n", text.c_str());
        drawnRows_ = 0;
        redrawLocked(true);
    }
    std::fflush(out_);
}

std::string FleetBoard::rowTextLocked(const Row& row) const {
    std::string text = row.box + "  " + (row.serial.empty() ? "--------" : row.serial) + "  ";
    if (row.outcome) return text + row.outcome->result;
    if (row.percent < 0) return text + (row.phase.empty() ? "connecting" : row.phase);
    const int filled = row.percent * 20 / 100;
    char tail[16];
    std::snprintf(tail, sizeof tail, "] %3d%%", row.percent);
    return text + row.phase + " [" + std::string(filled, '#') + std::string(20 - filled, '.') + tail;
}

void FleetBoard::redrawLocked(bool force) {
    if (style_ != Style::terminal) return;
    const auto now = Clock::now();
    if (!force && now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    if (drawnRows_ > 0) std::fprintf(out_, "\x1b[%zuA", drawnRows_);
    for (const Row& row : rows_) std::fprintf(out_, "\r\x1b[2K%s\n", rowTextLocked(row).c_str());
    drawnRows_ = rows_.size();
    std::fflush(out_);
}

void FleetBoard::eventLocked(const Row& row, const std::string& fields) {
    std::fprintf(out_, "{\"box\":%s,%s}\n", jsonQuoted(row.box).c_str(), fields.c_str());
    std::fflush(out_);
}

void FleetBoard::printSummary() {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    if (style_ == Style::json) {
        for (const Row& row : rows_)
            eventLocked(
                row,
                "\"event\":\"summary\",\"serial\":" + jsonQuoted(row.serial) +
                    ",\"result\":" + jsonQuoted(row.outcome ? row.outcome->result : "interrupted") +
                    ",\"exit\":" + std::to_string(row.outcome ? row.outcome->exitCode : 1) + ",\"seconds\":" +
                    std::to_string(
                        std::chrono::duration<double>((row.outcome ? row.ended : now) - row.began).count()));
        return;
    }
    std::size_t boxWidth = 3;
    for (const Row& row : rows_) boxWidth = std::max(boxWidth, row.box.size());
    const int width = static_cast<int>(boxWidth);
    std::fprintf(out_, "\n%-*s  %-8s  %-9s  %s\n", width, "box", "serial", "time", "result");
    for (const Row& row : rows_)
        std::fprintf(out_, "%-*s  %-8s  %9s  %s\n", width, row.box.c_str(),
                     row.serial.empty() ? "-" : row.serial.c_str(),
                     seconds((row.outcome ? row.ended : now) - row.began).c_str(),
                     row.outcome ? row.outcome->result.c_str() : "interrupted");
    std::fflush(out_);
}

int FleetBoard::exitCode() const {
    std::lock_guard lock(mutex_);
    for (const Row& row : rows_) {
        if (!row.outcome) return 1;
        if (row.outcome->exitCode != 0) return row.outcome->exitCode;
    }
    return 0;
}

std::size_t FleetBoard::rowCount() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

std::optional<BoxOutcome> FleetBoard::outcome(std::size_t row) const {
    std::lock_guard lock(mutex_);
    return rows_.at(row).outcome;
}

std::string FleetBoard::serialOf(std::size_t row) const {
    std::lock_guard lock(mutex_);
    return rows_.at(row).serial;
}

std::vector<std::string> presentBoxes(hid::Backend& backend) {
    std::vector<std::string> paths;
    for (const hid::DeviceInterface& device : backend.enumerate())
        if (hid::matchesBox(device.hardwareId)) paths.push_back(device.path);
    return paths;
}

int runOnAll(const std::vector<std::string>& paths, const BoxJob& job, FleetBoard& board) {
    std::vector<std::size_t> rows;
    rows.reserve(paths.size());
    for (const std::string& path : paths) rows.push_back(board.add(path));
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < paths.size(); ++i)
        workers.emplace_back([&, i] {
            RowReporter reporter(board, rows[i]);
            board.finish(rows[i], job(paths[i], reporter));
        });
    for (std::thread& worker : workers) worker.join();
    return board.exitCode();
}

int runOnEachNewBox(hid::Backend& backend, const BoxJob& job, const SerialReader& readSerial,
                    FleetBoard& board, const std::atomic<bool>& stop, WaitNewSettings settings) {
    std::mutex mutex;
    std::set<std::string> busy;  // paths with a job (or a serial read) running
    std::map<std::string, FleetBoard::Clock::time_point> resetAt;  // serial -> when its job reset it
    std::set<std::string> seen;                                    // present at the last look
    std::vector<std::thread> workers;

    board.note("waiting for boxes to be plugged in (Ctrl+C ends)");
    while (!stop.load()) {
        const std::vector<std::string> now = presentBoxes(backend);
        for (const std::string& path : now) {
            if (seen.count(path) != 0) continue;
            std::lock_guard lock(mutex);
            if (!busy.insert(path).second) continue;  // its own job sees it come back
            workers.emplace_back([&, path] {
                const std::string serial = readSerial(path);
                bool skip = false;
                {
                    std::lock_guard inner(mutex);
                    const auto it = resetAt.find(serial);
                    skip = !serial.empty() && it != resetAt.end() &&
                           FleetBoard::Clock::now() - it->second <= settings.reconnectionWindow;
                }
                if (skip) {
                    board.note(path + ": box " + serial +
                               " came back after its own reset; not updated again");
                } else {
                    const std::size_t row = board.add(path);
                    RowReporter reporter(board, row);
                    if (!serial.empty()) board.serial(row, serial);
                    const BoxOutcome outcome = job(path, reporter);
                    const std::string known = board.serialOf(row);
                    if (outcome.resetAtEnd && !known.empty()) {
                        std::lock_guard inner(mutex);
                        resetAt[known] = FleetBoard::Clock::now();
                    }
                    board.finish(row, outcome);
                }
                std::lock_guard inner(mutex);
                busy.erase(path);
            });
        }
        seen = std::set<std::string>(now.begin(), now.end());
        std::this_thread::sleep_for(settings.pollEvery);
    }
    for (std::thread& worker : workers) worker.join();
    return board.exitCode();
}

}  // namespace cli
