// arvex-cli --all and --wait-new: one job per box, each on its own thread with its own BootLoader, a
// progress line per box and a summary table at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid/backend.h"

namespace cli {

// What one box's job says while it runs; called from the job's own thread.
class BoxReporter {
public:
    virtual ~BoxReporter() = default;
    virtual void serial(const std::string& serial) = 0;
    virtual void progress(const std::string& phase, int percent) = 0;
    virtual void line(const std::string& text) = 0;
};

struct BoxOutcome {
    int exitCode = 1;
    std::string result;       // one line: "done", "programming failed [2], status 2"
    bool resetAtEnd = false;  // the job reset the box, which leaves the bus and comes back
};

// Works on the box at `path` until it is done or failed.
using BoxJob = std::function<BoxOutcome(const std::string& path, BoxReporter& reporter)>;

// The progress lines and the summary table. On a terminal one line per box, redrawn in place; elsewhere plain
// lines at a bounded rate; with json one event object per line.
class FleetBoard {
public:
    using Clock = std::chrono::steady_clock;
    enum class Style { terminal, plain, json };
    FleetBoard(std::FILE* out, Style style);

    std::size_t add(const std::string& box);  // a new row; returns its number
    void serial(std::size_t row, const std::string& serial);
    void progress(std::size_t row, const std::string& phase, int percent);
    void line(std::size_t row, const std::string& text);
    void finish(std::size_t row, const BoxOutcome& outcome);
    // A line about the run itself (waiting, a box skipped).
    void note(const std::string& text);

    // Box, serial, result and time of every row; rows still running say "interrupted".
    void printSummary();
    // 0 when every row finished with 0; else the first non-zero code in row order (a row still running: 1).
    [[nodiscard]] int exitCode() const;
    std::size_t rowCount() const;
    [[nodiscard]] std::optional<BoxOutcome> outcome(std::size_t row) const;
    std::string serialOf(std::size_t row) const;

private:
    struct Row {
        std::string box, serial, phase;
        int percent = -1, shownPercent = -1;
        std::string shownPhase;
        std::optional<BoxOutcome> outcome;
        Clock::time_point began, ended;
    };
    void redrawLocked(bool force);
    std::string rowTextLocked(const Row& row) const;
    void eventLocked(const Row& row, const std::string& fields);

    std::FILE* out_;
    Style style_;
    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    std::size_t drawnRows_ = 0;
    Clock::time_point lastDraw_{};
};

// The paths of the boxes present now, in the backend's order.
std::vector<std::string> presentBoxes(hid::Backend& backend);

// Runs the job on every path at once and waits for all of them; returns the board's exit code.
[[nodiscard]] int runOnAll(const std::vector<std::string>& paths, const BoxJob& job, FleetBoard& board);

// How --wait-new tells a box that came back after its own reset from a new one.
struct WaitNewSettings {
    std::chrono::milliseconds pollEvery{200};
    std::chrono::milliseconds reconnectionWindow{30000};  // after a job's reset
};

// Reads a box's serial ("" when it cannot be read); --wait-new asks before it starts a job on a box.
using SerialReader = std::function<std::string(const std::string& path)>;

// Runs the job on each box as it is plugged in, until `stop` is set; waits for running jobs and returns the
// board's exit code. A box that comes back with the serial of a box this run reset, within the
// reconnection window, is skipped with a note.
[[nodiscard]] int runOnEachNewBox(hid::Backend& backend, const BoxJob& job, const SerialReader& readSerial,
                                  FleetBoard& board, const std::atomic<bool>& stop,
                                  WaitNewSettings settings = {});

}  // namespace cli
