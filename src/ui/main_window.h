// The main window MainWindow: every control of the layout, the five dialog panels, the two menus and the two
// timers (built in main_window_layout.cpp). It implements app::View for the window logic
// (main_window_view.cpp) and forwards each user action and timer tick to an app::WindowEvents.
//
// Threads: View calls made on the window's thread apply at once. A call from any other thread (the
// bootloader's worker) is queued to the window's thread and the caller waits until it has been applied,
// so calls stay in order and a worker never runs ahead of the window. The window's thread therefore must
// never wait for such a worker.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_panels.h"
#include "app/view.h"
#include "app/window_events.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace ui {

class DialogPanel;
class Lamp;

class MainWindow : public QWidget, public app::View {
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Routes every handler to `events`, then runs its create handler. Once, on the window's thread.
    void start(app::WindowEvents& events);
    // Once the message loop has ended: stops the timers and the handlers, hides the window and keeps
    // applying View calls until `busy` turns false, so that a running operation can finish its reaction.
    void stop(const std::function<bool()>& busy);

    // --- app::View (QWidget's own setVisible stays reachable beside the View's)
    using QWidget::setVisible;
    void setEnabled(app::Control control, bool enabled) override;
    void setVisible(app::Control control, bool visible) override;
    void setText(app::Control control, const std::string& text) override;
    std::string text(app::Control control) override;
    void setColor(app::Control control, app::Rgb colour) override;
    void setChecked(app::Control control, bool checked) override;
    void moveTo(app::Control control, int left, int top) override;
    void setTimerInterval(app::Control timer, int milliseconds) override;
    void setProgress(int position) override;
    void setProgressRange(int minimum, int maximum) override;
    void setItems(app::Control list, const std::vector<std::string>& items) override;
    void setSelectedIndex(app::Control list, int index) override;
    int selectedIndex(app::Control list) override;
    void appendLog(const std::string& entry) override;
    void clearLog() override;
    std::vector<std::string> logLines() override;
    void clearRows() override;
    void addRow(const app::ListRow& row) override;
    int selectedRow() override;
    void setColumnWidths(int versionWidth, int sizeWidth) override;
    std::optional<std::string> askOpenFile(const std::string& filter) override;
    std::optional<std::string> askSaveFile(const std::string& filter,
                                           const std::string& suggestedName) override;
    void refresh() override;
    void processEvents() override;
    void popupMenu(app::Control menu) override;

    // The widget, menu entry or timer of a layout name; null when the control is none of these.
    QWidget* widget(app::Control control) const;
    QAction* action(app::Control control) const;
    QTimer* timer(app::Control control) const;
    QMenu* operatorMenu() const { return operatorMenu_; }
    QMenu* logMenu() const { return logMenu_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Handler = void (app::WindowEvents::*)();

    void buildMainPanel();
    void buildUpdatePanel();
    void buildRegistrationPanels();
    void buildFirmwarePanel();
    void buildMenus();
    void buildTimers();
    DialogPanel* addDialogPanel(app::Control control, QSize size, const QString& titleName,
                                const QString& caption, const QString& closeName, Handler closeHandler);
    // `control` is the button's own layout name when the window logic addresses it.
    QPushButton* addButton(QWidget* parent, std::optional<app::Control> control, const QString& name,
                           const QString& caption, QRect geometry, Handler handler);
    QAction* addMenuEntry(QMenu* menu, const QString& name, const QString& caption, Handler handler,
                          bool ticked = false);
    void remember(app::Control control, QWidget* widget);
    void call(Handler handler);
    // Applies a View call on the window's thread (see ui/ui_thread.h).
    void onUiThread(const std::function<void()>& work);

    app::WindowEvents* events_ = nullptr;
    std::map<app::Control, QWidget*> widgets_;
    std::map<app::Control, QAction*> actions_;
    std::map<app::Control, QTimer*> timers_;
    std::map<QAction*, bool> ticks_;     // the ticks as the handlers set them
    std::vector<std::string> logLines_;  // the log pane's lines as Windows-1252 bytes
    app::DialogDrag drag_;

    QFrame* mainPanel_ = nullptr;
    QListWidget* productList_ = nullptr;
    QComboBox* countryList_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QTableWidget* firmwareList_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    Lamp* busyLamp_ = nullptr;
    QPushButton* operatorButton_ = nullptr;
    QMenu* operatorMenu_ = nullptr;
    QMenu* logMenu_ = nullptr;
};

}  // namespace ui
