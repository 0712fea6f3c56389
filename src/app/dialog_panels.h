// The five dialog panels drawn inside the main window: showing, closing and dragging by the title bar.
#pragma once

#include <array>
#include <mutex>
#include <optional>

#include "app/view.h"

namespace app {

// Client area of the main window after layout.
inline constexpr int kClientWidth = 670;
inline constexpr int kClientHeight = 380;

struct Size {
    int width = 0;
    int height = 0;
};

// Size of a dialog panel (firmwareDialog, registrationDialog, registrationDoneDialog,
// registrationFaultDialog, updatingDialog); {0, 0} for any other control.
Size dialogPanelSize(Control panel);

// The five panels of one window and the owner each was shown for. Panels are shown from the worker thread
// too, so the owners are guarded; no View call is made under the lock.
class DialogPanels {
public:
    explicit DialogPanels(View& view) : view_(view) {}
    DialogPanels(const DialogPanels&) = delete;
    DialogPanels& operator=(const DialogPanels&) = delete;

    // Hides all five panels; then, for a panel, centres it in the client area, shows and enables it,
    // remembers `owner` for it (also a missing one) and disables the owner. Refreshes the window in both
    // cases.
    void show(std::optional<Control> panel, std::optional<Control> owner);

    // For a panel that was shown with an owner: enables that owner and hides the panel. A panel shown
    // without an owner stays visible. The remembered owner is kept. Refreshes the window for any panel.
    void close(std::optional<Control> panel);

private:
    View& view_;
    std::mutex mutex_;
    std::array<std::optional<Control>, 5> owner_;  // in the order of the panel table
};

// Dragging a panel by its title bar. Coordinates are those of the press and move events in the title
// bar, which moves with the panel; the clamps use the window's outer size (its frame included).
class DialogDrag {
public:
    struct Position {
        int left = 0;
        int top = 0;
    };

    // Left button only: starts a drag at (x, y).
    void mouseDown(bool leftButton, int x, int y);
    // While dragging: the panel's new position, kept at least 0 and then at most outer size - panel size.
    [[nodiscard]] std::optional<Position> mouseMove(int x, int y, Position panel, Size panelSize,
                                                    Size windowOuter) const;
    // Left button while dragging: stops the drag and records (x, y).
    void mouseUp(bool leftButton, int x, int y);

    [[nodiscard]] bool dragging() const { return dragging_; }

private:
    bool dragging_ = false;
    int pressX_ = 0;
    int pressY_ = 0;
};

}  // namespace app
