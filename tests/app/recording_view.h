// A View for tests: records every call in order as text ("setEnabled(btUpdate, false)") and answers the
// getters from what was set. Safe to call from several threads.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/control_names.h"
#include "app/log.h"
#include "app/view.h"

namespace app::testing {

class RecordingView : public View {
public:
    struct Position {
        int left = 0;
        int top = 0;
        friend bool operator==(const Position&, const Position&) = default;
    };

    // --- View
    void setEnabled(Control control, bool enabled) override {
        std::lock_guard lock(mutex_);
        enabled_[control] = enabled;
        record(std::string("setEnabled(") + controlName(control) + ", " + flag(enabled) + ")");
    }
    void setVisible(Control control, bool visible) override {
        std::lock_guard lock(mutex_);
        visible_[control] = visible;
        record(std::string("setVisible(") + controlName(control) + ", " + flag(visible) + ")");
    }
    void setText(Control control, const std::string& text) override {
        std::lock_guard lock(mutex_);
        texts_[control] = text;
        record(std::string("setText(") + controlName(control) + ", " + text + ")");
    }
    std::string text(Control control) override {
        std::lock_guard lock(mutex_);
        const auto found = texts_.find(control);
        return found == texts_.end() ? std::string() : found->second;
    }
    void setColor(Control control, Rgb colour) override {
        std::lock_guard lock(mutex_);
        colours_[control] = colour;
        record(std::string("setColor(") + controlName(control) + ", " + std::to_string(colour.r) + "," +
               std::to_string(colour.g) + "," + std::to_string(colour.b) + ")");
    }
    void setChecked(Control control, bool checked) override {
        std::lock_guard lock(mutex_);
        checked_[control] = checked;
        record(std::string("setChecked(") + controlName(control) + ", " + flag(checked) + ")");
    }
    void moveTo(Control control, int left, int top) override {
        std::lock_guard lock(mutex_);
        positions_[control] = {left, top};
        record(std::string("moveTo(") + controlName(control) + ", " + std::to_string(left) + ", " +
               std::to_string(top) + ")");
    }
    void setTimerInterval(Control timer, int milliseconds) override {
        std::lock_guard lock(mutex_);
        intervals_[timer] = milliseconds;
        record(std::string("setTimerInterval(") + controlName(timer) + ", " + std::to_string(milliseconds) +
               ")");
    }
    void setProgress(int position) override {
        std::lock_guard lock(mutex_);
        progress_ = position;
        record("setProgress(" + std::to_string(position) + ")");
    }
    void setProgressRange(int minimum, int maximum) override {
        std::lock_guard lock(mutex_);
        progressRange_ = {minimum, maximum};
        record("setProgressRange(" + std::to_string(minimum) + ", " + std::to_string(maximum) + ")");
    }
    void setItems(Control list, const std::vector<std::string>& items) override {
        std::lock_guard lock(mutex_);
        items_[list] = items;
        selected_[list] = -1;
        record(std::string("setItems(") + controlName(list) + ", " + std::to_string(items.size()) + ")");
    }
    void setSelectedIndex(Control list, int index) override {
        std::lock_guard lock(mutex_);
        selected_[list] = index;
        record(std::string("setSelectedIndex(") + controlName(list) + ", " + std::to_string(index) + ")");
    }
    int selectedIndex(Control list) override {
        std::lock_guard lock(mutex_);
        const auto found = selected_.find(list);
        return found == selected_.end() ? -1 : found->second;
    }
    void appendLog(const std::string& entry) override {
        std::lock_guard lock(mutex_);
        for (std::string& line : splitLogEntry(entry)) log_.push_back(std::move(line));
        record("appendLog(" + entry + ")");
    }
    void clearLog() override {
        std::lock_guard lock(mutex_);
        log_.clear();
        record("clearLog()");
    }
    std::vector<std::string> logLines() override {
        std::lock_guard lock(mutex_);
        return log_;
    }
    void clearRows() override {
        std::lock_guard lock(mutex_);
        rows_.clear();
        selectedRow_ = -1;
        record("clearRows()");
    }
    void addRow(const ListRow& row) override {
        std::lock_guard lock(mutex_);
        rows_.push_back(row);
        record("addRow(" + row.caption + ", " + std::to_string(row.icon) + ")");
    }
    int selectedRow() override {
        std::lock_guard lock(mutex_);
        return selectedRow_;
    }
    void setColumnWidths(int versionWidth, int sizeWidth) override {
        std::lock_guard lock(mutex_);
        record("setColumnWidths(" + std::to_string(versionWidth) + ", " + std::to_string(sizeWidth) + ")");
    }
    std::optional<std::string> askOpenFile(const std::string& filter) override {
        std::lock_guard lock(mutex_);
        record("askOpenFile(" + filter + ")");
        return nextAnswer(openAnswers_);
    }
    std::optional<std::string> askSaveFile(const std::string& filter,
                                           const std::string& suggestedName) override {
        std::lock_guard lock(mutex_);
        record("askSaveFile(" + filter + ", " + suggestedName + ")");
        return nextAnswer(saveAnswers_);
    }
    void refresh() override {
        std::lock_guard lock(mutex_);
        record("refresh()");
    }
    void processEvents() override {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            record("processEvents()");
            hook = onProcessEvents_;
        }
        if (hook) hook();  // what the operator does while the message loop runs
    }
    void popupMenu(Control menu) override {
        std::lock_guard lock(mutex_);
        record(std::string("popupMenu(") + controlName(menu) + ")");
    }

    // --- for the test
    // What the next file dialogs answer, in order; an empty optional is a cancel (also when none is queued).
    void queueOpenAnswer(std::optional<std::string> answer) {
        std::lock_guard lock(mutex_);
        openAnswers_.push_back(std::move(answer));
    }
    void queueSaveAnswer(std::optional<std::string> answer) {
        std::lock_guard lock(mutex_);
        saveAnswers_.push_back(std::move(answer));
    }
    // Runs whenever the logic lets the message loop run (the progress of a download).
    void setOnProcessEvents(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        onProcessEvents_ = std::move(hook);
    }
    // The operator selects a row of firmwareList (-1: none).
    void selectRow(int row) {
        std::lock_guard lock(mutex_);
        selectedRow_ = row;
    }
    // The operator types into an edit.
    void type(Control control, const std::string& text) {
        std::lock_guard lock(mutex_);
        texts_[control] = text;
    }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void clearCalls() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    std::optional<bool> enabled(Control control) const { return find(enabled_, control); }
    std::optional<bool> visible(Control control) const { return find(visible_, control); }
    std::optional<bool> checked(Control control) const { return find(checked_, control); }
    std::optional<Rgb> colour(Control control) const { return find(colours_, control); }
    std::optional<Position> position(Control control) const { return find(positions_, control); }
    std::optional<int> interval(Control timer) const { return find(intervals_, timer); }
    std::vector<std::string> items(Control list) const {
        std::lock_guard lock(mutex_);
        const auto found = items_.find(list);
        return found == items_.end() ? std::vector<std::string>() : found->second;
    }
    std::vector<ListRow> rows() const {
        std::lock_guard lock(mutex_);
        return rows_;
    }
    int progress() const {
        std::lock_guard lock(mutex_);
        return progress_;
    }

private:
    static const char* flag(bool value) { return value ? "true" : "false"; }
    void record(std::string call) { calls_.push_back(std::move(call)); }
    static std::optional<std::string> nextAnswer(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
    template <typename Value>
    std::optional<Value> find(const std::map<Control, Value>& map, Control control) const {
        std::lock_guard lock(mutex_);
        const auto found = map.find(control);
        return found == map.end() ? std::nullopt : std::optional<Value>(found->second);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::map<Control, bool> enabled_, visible_, checked_;
    std::map<Control, std::string> texts_;
    std::map<Control, Rgb> colours_;
    std::map<Control, Position> positions_;
    std::map<Control, int> intervals_;
    std::map<Control, std::vector<std::string>> items_;
    std::map<Control, int> selected_;
    std::vector<std::string> log_;
    std::vector<ListRow> rows_;
    int selectedRow_ = -1;
    int progress_ = 0;
    std::pair<int, int> progressRange_{0, 100};
    std::deque<std::optional<std::string>> openAnswers_, saveAnswers_;
    std::function<void()> onProcessEvents_;
};

}  // namespace app::testing
