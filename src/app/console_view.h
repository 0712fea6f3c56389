// The window as a terminal shows it: log lines on stdout (Windows-1252 turned into UTF-8), a progress bar
// while the bar is visible and stdout is a terminal, and terse status lines for the states that matter on
// the road (connection status, dialog panels, Update enabled). Everything else is only remembered, so the
// window logic can read back what it set. Calls may come from any thread; each is applied at once.
#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/view.h"

namespace app {

// Windows-1252 bytes as UTF-8 (the five unassigned bytes become U+FFFD).
std::string cp1252ToUtf8(const std::string& text);

class ConsoleView : public View {
public:
    // out null: nothing is printed, everything is still remembered.
    explicit ConsoleView(std::FILE* out = stdout, bool showProgressBar = false);

    void setEnabled(Control control, bool enabled) override;
    void setVisible(Control control, bool visible) override;
    void setText(Control control, const std::string& text) override;
    std::string text(Control control) override;
    void setColor(Control control, Rgb colour) override;
    void setChecked(Control control, bool checked) override;
    void moveTo(Control, int, int) override {}
    void setTimerInterval(Control, int) override {}
    void setProgress(int position) override;
    void setProgressRange(int minimum, int maximum) override;
    void setItems(Control list, const std::vector<std::string>& items) override;
    void setSelectedIndex(Control list, int index) override;
    int selectedIndex(Control list) override;
    void appendLog(const std::string& entry) override;
    void clearLog() override;
    std::vector<std::string> logLines() override;
    void clearRows() override;
    void addRow(const ListRow& row) override;
    int selectedRow() override;
    void setColumnWidths(int, int) override {}
    std::optional<std::string> askOpenFile(const std::string& filter) override;
    [[nodiscard]] std::optional<std::string> askSaveFile(const std::string& filter,
                                                         const std::string& suggestedName) override;
    void refresh() override {}
    void processEvents() override {}

    // What the terminal's user would have done in the window.
    void selectRow(int row);
    void setSaveFolder(std::string folder);  // non-container downloads land here; none: refused
    [[nodiscard]] std::optional<std::string> lastSavePath();  // where the last save dialog put a file
    bool isEnabled(Control control);                          // false until enabled
    [[nodiscard]] bool isVisible(Control control);
    std::vector<ListRow> rows();
    std::vector<std::string> history();  // every log line ever written, clearing or not

private:
    void printLine(const std::string& line);  // with the mutex held
    void drawProgress();

    std::mutex mutex_;
    std::FILE* out_;
    bool showProgressBar_;
    bool barDrawn_ = false;
    int progress_ = 0, progressMinimum_ = 0, progressMaximum_ = 100;
    std::map<Control, bool> enabled_, visible_;
    std::map<Control, std::string> texts_;
    std::map<Control, std::vector<std::string>> items_;
    std::map<Control, int> selected_;
    std::vector<std::string> log_, history_;
    std::vector<ListRow> rows_;
    int selectedRow_ = -1;
    std::optional<std::string> saveFolder_;
    std::optional<std::string> lastSavePath_;
    std::optional<Control> announced_;
};

}  // namespace app
