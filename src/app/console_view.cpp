#include "app/console_view.h"

#include <algorithm>
#include <array>

#include "app/cp1252.h"
#include "app/log.h"
#include "app/save_name.h"

namespace app {
namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The states a terminal user follows the road by.
const char* panelName(Control control) {
    switch (control) {
        case Control::firmwareDialog:
            return "firmware catalogue";
        case Control::registrationDialog:
            return "registration form";
        case Control::registrationDoneDialog:
            return "registration accepted";
        case Control::registrationFaultDialog:
            return "registration refused";
        case Control::updatingDialog:
            return "updating firmware";
        default:
            return nullptr;
    }
}

}  // namespace

std::string cp1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        appendUtf8(out, cp1252Defined(b) ? cp1252CodePoint(b) : char32_t{0xFFFD});
    }
    return out;
}

ConsoleView::ConsoleView(std::FILE* out, bool showProgressBar)
    : out_(out), showProgressBar_(showProgressBar) {}

void ConsoleView::printLine(const std::string& line) {
    if (out_ == nullptr) return;  // only remembered
    if (barDrawn_) {
        std::fputs("\r\x1b[K", out_);
        barDrawn_ = false;
    }
    std::fputs(cp1252ToUtf8(line).c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void ConsoleView::drawProgress() {
    if (!showProgressBar_ || !visible_[Control::progressBar]) return;
    const int span = progressMaximum_ > progressMinimum_ ? progressMaximum_ - progressMinimum_ : 1;
    const long long percent =
        std::clamp<long long>((static_cast<long long>(progress_) - progressMinimum_) * 100 / span, 0, 100);
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(percent * kWidth / 100);
    std::string bar = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                      std::string(static_cast<std::size_t>(kWidth - filled), ' ') + "] " +
                      std::to_string(percent) + "%";
    std::fputs(bar.c_str(), out_);
    std::fflush(out_);
    barDrawn_ = true;
}

void ConsoleView::setEnabled(Control control, bool enabled) {
    std::lock_guard lock(mutex_);
    const bool before = enabled_[control];
    enabled_[control] = enabled;
    if (control == Control::updateButton && enabled && !before) printLine("[Update enabled]");
    if (control == Control::reconnectButton && !enabled && before) printLine("[Reconnect disabled]");
}

void ConsoleView::setVisible(Control control, bool visible) {
    std::lock_guard lock(mutex_);
    const bool before = visible_[control];
    visible_[control] = visible;
    // Showing a panel hides all five first: say a panel once until another one or a new status comes.
    if (const char* name = panelName(control);
        name != nullptr && visible && !before && announced_ != control) {
        announced_ = control;
        printLine(std::string("[dialog: ") + name + "]");
    }
    if (control == Control::progressBar && !visible && barDrawn_) {
        std::fputs("\r\x1b[K", out_);
        barDrawn_ = false;
    }
}

void ConsoleView::setText(Control control, const std::string& text) {
    std::lock_guard lock(mutex_);
    texts_[control] = text;
    if (control == Control::statusPanel) {
        announced_.reset();
        printLine("[status: " + text + "]");
    }
}

std::string ConsoleView::text(Control control) {
    std::lock_guard lock(mutex_);
    return texts_[control];
}

void ConsoleView::setColor(Control, Rgb) {}
void ConsoleView::setChecked(Control, bool) {}

void ConsoleView::setProgress(int position) {
    std::lock_guard lock(mutex_);
    progress_ = position;
    drawProgress();
}

void ConsoleView::setProgressRange(int minimum, int maximum) {
    std::lock_guard lock(mutex_);
    progressMinimum_ = minimum;
    progressMaximum_ = maximum;
}

void ConsoleView::setItems(Control list, const std::vector<std::string>& items) {
    std::lock_guard lock(mutex_);
    items_[list] = items;
}

void ConsoleView::setSelectedIndex(Control list, int index) {
    std::lock_guard lock(mutex_);
    selected_[list] = index;
}

int ConsoleView::selectedIndex(Control list) {
    std::lock_guard lock(mutex_);
    auto found = selected_.find(list);
    return found == selected_.end() ? -1 : found->second;
}

void ConsoleView::appendLog(const std::string& entry) {
    std::lock_guard lock(mutex_);
    for (const std::string& line : splitLogEntry(entry)) {
        log_.push_back(line);
        history_.push_back(line);
        printLine(line);
    }
}

void ConsoleView::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::vector<std::string> ConsoleView::logLines() {
    std::lock_guard lock(mutex_);
    return log_;
}

void ConsoleView::clearRows() {
    std::lock_guard lock(mutex_);
    rows_.clear();
    selectedRow_ = -1;
}

void ConsoleView::addRow(const ListRow& row) {
    std::lock_guard lock(mutex_);
    rows_.push_back(row);
}

int ConsoleView::selectedRow() {
    std::lock_guard lock(mutex_);
    return selectedRow_;
}

void ConsoleView::selectRow(int row) {
    std::lock_guard lock(mutex_);
    selectedRow_ = row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
}

std::vector<std::string> ConsoleView::history() {
    std::lock_guard lock(mutex_);
    return history_;
}

std::vector<ListRow> ConsoleView::rows() {
    std::lock_guard lock(mutex_);
    return rows_;
}

void ConsoleView::setSaveFolder(std::string folder) {
    std::lock_guard lock(mutex_);
    saveFolder_ = std::move(folder);
}

bool ConsoleView::isEnabled(Control control) {
    std::lock_guard lock(mutex_);
    return enabled_[control];
}

bool ConsoleView::isVisible(Control control) {
    std::lock_guard lock(mutex_);
    return visible_[control];
}

std::optional<std::string> ConsoleView::askOpenFile(const std::string&) {
    return std::nullopt;
}

std::optional<std::string> ConsoleView::askSaveFile(const std::string&, const std::string& suggestedName) {
    std::lock_guard lock(mutex_);
    if (!saveFolder_) return std::nullopt;
    lastSavePath_ = *saveFolder_ + "/" + savedFileName(suggestedName);
    return lastSavePath_;
}

std::optional<std::string> ConsoleView::lastSavePath() {
    std::lock_guard lock(mutex_);
    return lastSavePath_;
}

}  // namespace app
