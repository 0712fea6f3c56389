#include "app/dialog_panels.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace app {
namespace {

struct PanelEntry {
    Control panel;
    Size size;
};

// In the order in which DialogPanels::show hides them.
constexpr std::array<PanelEntry, 5> kPanels = {{
    {Control::registrationDialog, {335, 224}},
    {Control::firmwareDialog, {417, 303}},
    {Control::registrationDoneDialog, {336, 184}},
    {Control::registrationFaultDialog, {336, 184}},
    {Control::updatingDialog, {336, 184}},
}};

static_assert(kPanels.size() == 5, "DialogPanels keeps one owner per panel");

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

void DialogPanels::show(std::optional<Control> panel, std::optional<Control> owner) {
    View* view = &view_;
    for (const PanelEntry& entry : kPanels) view->setVisible(entry.panel, false);
    if (panel) {
        const Size size = dialogPanelSize(*panel);
        view->moveTo(*panel, (kClientWidth - size.width) / 2, (kClientHeight - size.height) / 2);
        view->setVisible(*panel, true);
        view->setEnabled(*panel, true);
        if (const auto index = panelIndex(*panel)) {
            std::lock_guard lock(mutex_);
            owner_[*index] = owner;
        }
        if (owner) view->setEnabled(*owner, false);
    }
    view->refresh();
}

void DialogPanels::close(std::optional<Control> panel) {
    if (!panel) return;
    View* view = &view_;
    std::optional<Control> owner;
    if (const auto index = panelIndex(*panel)) {
        std::lock_guard lock(mutex_);
        owner = owner_[*index];
    }
    if (owner) {
        view->setEnabled(*owner, true);
        view->setVisible(*panel, false);
    }
    view->refresh();
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
