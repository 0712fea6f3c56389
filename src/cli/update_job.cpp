#include "cli/update_job.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "app/console_view.h"
#include "cli/update_road.h"
#include "sim/box/presets.h"

namespace cli {
namespace {

// The window's log lines and progress bar as the box's line of the board; nothing is printed.
class BoardView final : public app::ConsoleView {
public:
    explicit BoardView(BoxReporter& reporter) : app::ConsoleView(nullptr, false), reporter_(reporter) {}

    void appendLog(const std::string& entry) override {
        const std::size_t from = history().size();
        app::ConsoleView::appendLog(entry);
        const auto lines = history();
        for (std::size_t i = from; i < lines.size(); ++i)
            if (!lines[i].empty()) reporter_.line(app::cp1252ToUtf8(lines[i]));
    }
    void setProgressRange(int minimum, int maximum) override {
        app::ConsoleView::setProgressRange(minimum, maximum);
        std::lock_guard lock(mutex_);
        minimum_ = minimum;
        maximum_ = maximum;
    }
    void setProgress(int position) override {
        app::ConsoleView::setProgress(position);
        int percent = 0;
        {
            std::lock_guard lock(mutex_);
            const int span = std::max(1, maximum_ - minimum_);
            percent = static_cast<int>((static_cast<long long>(position) - minimum_) * 100 / span);
        }
        reporter_.progress("Programming", percent);
    }

private:
    BoxReporter& reporter_;
    std::mutex mutex_;
    int minimum_ = 0, maximum_ = 100;
};

// Every window of the process would put its images at the same two paths; each box's job gets its own.
std::array<std::string, 2> imagePathsOfBox(const std::array<std::string, 2>& paths, const std::string& box) {
    std::string tag = box;
    std::replace_if(
        tag.begin(), tag.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    std::array<std::string, 2> own = paths;
    for (std::string& path : own) {
        if (path.empty()) continue;  // no private folder: the flow refuses, as it does for one box
        const std::filesystem::path file(path);
        path = (file.parent_path() / (tag + "-" + file.filename().string())).string();
    }
    return own;
}

std::string eightDigits(std::uint32_t serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08u", static_cast<unsigned>(serial));
    return text;
}

}  // namespace

BoxOutcome updateBox(const std::shared_ptr<hid::Backend>& backend, const std::string& path,
                     const UpdateRequest& request, BoxReporter& reporter) {
    BoardView view(reporter);
    app::UpdaterSetup setup;
    setup.backend = backend;
    setup.devicePath = path;
    setup.settings = request.settings;
    if (!request.server.host.empty()) setup.server = request.server;
    auto window = app::buildUpdaterWindow(view, setup);
    app::WindowLogic& logic = window->logic();
    logic.onWindowCreated();
    logic.keepTempImagePaths(imagePathsOfBox(logic.tempImagePaths(), path));
    if (request.noCrypt) logic.onCryptToggle();

    const auto note = [&](const std::string& text) { reporter.line(text); };
    RoadRequest road;
    road.fileId = request.fileId;
    road.waitSeconds = request.waitSeconds;
    road.serialKnown = [&](const std::string& serial) { reporter.serial(serial); };
    const RoadOutcome outcome = walkUpdateRoad(view, *window, road, note);
    return BoxOutcome{outcome.exitCode, outcome.text, outcome.programmed};
}

std::vector<sim::BoxRecord> registryForBus(std::size_t boxCount) {
    const std::vector<sim::BoxRecord> known = sim::defaultRegistry();
    std::vector<sim::BoxRecord> records = known;
    for (std::size_t position = 1; position < boxCount; ++position)
        for (const sim::BoxRecord& record : known) {
            const bool digits = !record.serial.empty() && record.serial.size() <= 9 &&
                                std::all_of(record.serial.begin(), record.serial.end(), [](char c) {
                                    return std::isdigit(static_cast<unsigned char>(c));
                                });
            if (!digits) continue;
            sim::BoxRecord copy = record;
            copy.serial =
                eightDigits(sim::serialAt(static_cast<std::uint32_t>(std::stoul(record.serial)), position));
            records.push_back(copy);
        }
    return records;
}

}  // namespace cli
