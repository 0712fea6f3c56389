#include "app/dialog_panels.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "app/main_form.h"

namespace app {
namespace {

struct PanelEntry {
    Control panel;
    Size size;
};

// In the order in which showDialogPanel hides them.
constexpr std::array<PanelEntry, 5> kPanels = {{
    {Control::pReg, {335, 224}},
    {Control::pFirmUpdate, {417, 303}},
    {Control::pRegOK, {336, 184}},
    {Control::pRegFault, {336, 184}},
    {Control::pUpdate, {336, 184}},
}};

// Remembered owner per panel, empty when the panel was never shown or was shown without one. Panels are
// shown from the worker thread too, so the owners are guarded; no View call is made under the lock.
struct Owners {
    std::mutex mutex;
    std::array<std::optional<Control>, kPanels.size()> owner;
};

Owners& owners() {
    static Owners instance;
    return instance;
}

std::optional<std::size_t> panelIndex(Control panel) {
    for (std::size_t i = 0; i < kPanels.size(); ++i) {
        if (kPanels[i].panel == panel) return i;
    }
    return std::nullopt;
}

}  // namespace

Size dialogPanelSize(Control panel) {
    const auto index = panelIndex(panel);
    return index ? kPanels[*index].size : Size{};
}

void showDialogPanel(std::optional<Control> panel, std::optional<Control> owner) {
    View* view = mainForm.load();
    if (view == nullptr) return;
    for (const PanelEntry& entry : kPanels) view->setVisible(entry.panel, false);
    if (panel) {
        const Size size = dialogPanelSize(*panel);
        view->moveTo(*panel, (kClientWidth - size.width) / 2, (kClientHeight - size.height) / 2);
        view->setVisible(*panel, true);
        view->setEnabled(*panel, true);
        if (const auto index = panelIndex(*panel)) {
            std::lock_guard lock(owners().mutex);
            owners().owner[*index] = owner;
        }
        if (owner) view->setEnabled(*owner, false);
    }
    view->refresh();
}

void closeDialogPanel(std::optional<Control> panel) {
    if (!panel) return;
    View* view = mainForm.load();
    if (view == nullptr) return;
    std::optional<Control> owner;
    if (const auto index = panelIndex(*panel)) {
        std::lock_guard lock(owners().mutex);
        owner = owners().owner[*index];
    }
    if (owner) {
        view->setEnabled(*owner, true);
        view->setVisible(*panel, false);
    }
    view->refresh();
}

void resetDialogPanels() {
    std::lock_guard lock(owners().mutex);
    owners().owner.fill(std::nullopt);
}

void DialogDrag::mouseDown(bool leftButton, int x, int y) {
    if (!leftButton) return;
    dragging_ = true;
    pressX_ = x;
    pressY_ = y;
}

std::optional<DialogDrag::Position> DialogDrag::mouseMove(int x, int y, Position panel, Size panelSize,
                                                          Size windowOuter) const {
    if (!dragging_) return std::nullopt;
    int left = panel.left + (x - pressX_);
    int top = panel.top + (y - pressY_);
    left = std::min(std::max(left, 0), windowOuter.width - panelSize.width);
    top = std::min(std::max(top, 0), windowOuter.height - panelSize.height);
    return Position{left, top};
}

void DialogDrag::mouseUp(bool leftButton, int x, int y) {
    if (!leftButton || !dragging_) return;
    dragging_ = false;
    pressX_ = x;
    pressY_ = y;
}

}  // namespace app
