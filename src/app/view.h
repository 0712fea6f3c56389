// The window as the window logic sees it: every change to what the user sees goes through here.
//
// The Qt main window implements it; tests implement it with a recording view. Calls may come from any
// thread: an implementation applies them on its UI thread in call order and returns only once the change
// is applied, so the bootloader's worker thread waits for each reaction. The file dialogs are asked for
// on the UI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Controls by their layout names.
enum class Control {
    // main panel
    mainPanel,
    productList,
    reconnectButton,
    operatorButton,
    updateButton,
    factoryButton,
    productField,
    serialField,
    programmingDateField,
    resellerField,
    hardwareVersionField,
    firmwareVersionField,
    statusPanel,
    busyLamp,
    progressBar,
    // dialog panels
    firmwareDialog,
    registrationDialog,
    registrationDoneDialog,
    registrationFaultDialog,
    updatingDialog,
    // catalogue dialog
    catalogueFolderPath,
    firmwareList,
    selectFirmwareButton,
    // registration dialogs
    registrationName,
    registrationEmail,
    registrationPassword,
    countryList,
    registrationDoneText,
    registrationFaultText,
    // operator menu entries
    readDataEntry,
    loadFirmwareEntry,
    virtualModeEntry,
    serverDebugEntry,
    cryptEntry,
    editableFieldsEntry,
    debugModeEntry,
    // timers
    connectTimer,
    statusTimer,
    // catalogue dialog: "Cancel" and the title bar's close box
    firmwareCancelButton,
    firmwareDialogTitle,
    // the operator menu (popped up through popupMenu)
    operatorPopup,
    // program version caption
    versionCaption,
};

// One row of the firmware list view: caption, icon index of `Icons` and sub-items (size, price, ...).
struct ListRow {
    std::string caption;
    int icon = 0;
    std::vector<std::string> subItems;
};

class View {
public:
    virtual ~View() = default;

    // State of any control. Texts are Windows-1252 bytes.
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    virtual void setText(Control control, const std::string& text) = 0;  // caption, edit or memo text
    virtual std::string text(Control control) = 0;                       // what the user typed
    virtual void setColor(Control control, Rgb colour) = 0;              // statusPanel, busyLamp, mainPanel
    virtual void setChecked(Control control, bool checked) = 0;          // menu ticks
    virtual void moveTo(Control control, int left, int top) = 0;         // dialog panels

    // Timers (connectTimer, statusTimer): enabled state goes through setEnabled.
    virtual void setTimerInterval(Control timer, int milliseconds) = 0;

    // Progress bar progressBar; visibility goes through setVisible.
    virtual void setProgress(int position) = 0;
    virtual void setProgressRange(int minimum, int maximum) = 0;

    // List box productList and drop-down list countryList: -1 selects nothing.
    virtual void setItems(Control list, const std::vector<std::string>& items) = 0;
    virtual void setSelectedIndex(Control list, int index) = 0;
    [[nodiscard]] virtual int selectedIndex(Control list) = 0;

    // Log pane: an entry holding CR LF pairs becomes several lines.
    virtual void appendLog(const std::string& entry) = 0;
    virtual void clearLog() = 0;
    virtual std::vector<std::string> logLines() = 0;

    // Firmware list view firmwareList.
    virtual void clearRows() = 0;
    virtual void addRow(const ListRow& row) = 0;
    [[nodiscard]] virtual int selectedRow() = 0;  // -1 when none
    virtual void setColumnWidths(int versionWidth, int sizeWidth) = 0;

    // File dialogs; an empty optional when the operator cancels. UI thread only.
    [[nodiscard]] virtual std::optional<std::string> askOpenFile(const std::string& filter) = 0;
    virtual std::optional<std::string> askSaveFile(const std::string& filter,
                                                   const std::string& suggestedName) = 0;

    // Repaint the whole window; process pending window messages (progress of a download).
    virtual void refresh() = 0;
    virtual void processEvents() = 0;

    // Pop up a menu (operatorPopup) at the cursor. UI thread only.
    virtual void popupMenu(Control /*menu*/) {}
};

}  // namespace app
