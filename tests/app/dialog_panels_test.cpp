#include "app/dialog_panels.h"

#include <gtest/gtest.h>

#include "shell_fixture.h"

namespace app::testing {
namespace {

using Calls = std::vector<std::string>;

const Calls kHideAll = {
    "setVisible(pReg, false)",      "setVisible(pFirmUpdate, false)", "setVisible(pRegOK, false)",
    "setVisible(pRegFault, false)", "setVisible(pUpdate, false)",
};

Calls concat(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using DialogPanelTest = ShellTest;

TEST_F(DialogPanelTest, ShowHidesAllThenCentresAndDisablesTheOwner) {
    struct Case {
        Control panel;
        const char* name;
        int left, top;
    } cases[] = {
        {Control::firmwareDialog, "pFirmUpdate", 126, 38},
        {Control::registrationDialog, "pReg", 167, 78},
        {Control::registrationDoneDialog, "pRegOK", 167, 98},
        {Control::registrationFaultDialog, "pRegFault", 167, 98},
        {Control::updatingDialog, "pUpdate", 167, 98},
    };
    for (const Case& c : cases) {
        view.clearCalls();
        panels.show(c.panel, Control::mainPanel);
        const std::string name = c.name;
        EXPECT_EQ(view.calls(),
                  concat(kHideAll, {"moveTo(" + name + ", " + std::to_string(c.left) + ", " +
                                        std::to_string(c.top) + ")",
                                    "setVisible(" + name + ", true)", "setEnabled(" + name + ", true)",
                                    "setEnabled(gPanel, false)", "refresh()"}));
    }
}

TEST_F(DialogPanelTest, OwnerStaysDisabledUntilTheShownPanelCloses) {
    panels.show(Control::registrationDialog, Control::mainPanel);
    panels.show(Control::updatingDialog, Control::mainPanel);
    EXPECT_EQ(view.visible(Control::registrationDialog), false);
    EXPECT_EQ(view.visible(Control::updatingDialog), true);
    EXPECT_EQ(view.enabled(Control::mainPanel), false);

    view.clearCalls();
    panels.close(Control::updatingDialog);
    EXPECT_EQ(view.calls(), (Calls{"setEnabled(gPanel, true)", "setVisible(pUpdate, false)", "refresh()"}));
}

TEST_F(DialogPanelTest, MissingPanelOrOwner) {
    view.clearCalls();
    panels.show(std::nullopt, std::nullopt);
    EXPECT_EQ(view.calls(), concat(kHideAll, {"refresh()"}));

    view.clearCalls();
    panels.close(std::nullopt);
    EXPECT_TRUE(view.calls().empty());

    // never shown: nothing remembered, nothing hidden
    view.clearCalls();
    panels.close(Control::registrationDoneDialog);
    EXPECT_EQ(view.calls(), Calls{"refresh()"});

    // shown without an owner: nothing is disabled, and closing does not hide it
    view.clearCalls();
    panels.show(Control::updatingDialog, std::nullopt);
    EXPECT_EQ(view.calls(), concat(kHideAll, {"moveTo(pUpdate, 167, 98)", "setVisible(pUpdate, true)",
                                              "setEnabled(pUpdate, true)", "refresh()"}));
    view.clearCalls();
    panels.close(Control::updatingDialog);
    EXPECT_EQ(view.calls(), Calls{"refresh()"});

    // a later show without an owner replaces the remembered one
    panels.show(Control::registrationDialog, Control::mainPanel);
    panels.show(Control::registrationDialog, std::nullopt);
    view.clearCalls();
    panels.close(Control::registrationDialog);
    EXPECT_EQ(view.calls(), Calls{"refresh()"});
}

TEST_F(DialogPanelTest, RememberedOwnerIsKeptAfterClosing) {
    panels.show(Control::registrationDoneDialog, Control::mainPanel);
    panels.close(Control::registrationDoneDialog);
    view.clearCalls();
    panels.close(Control::registrationDoneDialog);
    EXPECT_EQ(view.calls(), (Calls{"setEnabled(gPanel, true)", "setVisible(pRegOK, false)", "refresh()"}));
}

TEST(DialogDrag, ClampsOnTheOuterSize) {
    const Size panel{417, 303};
    const Size outer{676, 404};  // the window with its frame
    struct Case {
        int x, y;  // move point; the press was at (10, 5)
        int left, top;
    } cases[] = {
        {20, 15, 136, 48},     // plain move
        {-500, 5, 0, 38},      // beyond the left edge
        {1000, 5, 259, 38},    // beyond the right edge: outer width - panel width
        {10, -500, 126, 0},    // above the top
        {10, 1000, 126, 101},  // below the bottom: outer height - panel height
        {1000, 1000, 259, 101},
    };
    for (const Case& c : cases) {
        DialogDrag drag;
        drag.mouseDown(true, 10, 5);
        const auto moved = drag.mouseMove(c.x, c.y, {126, 38}, panel, outer);
        ASSERT_TRUE(moved.has_value());
        EXPECT_EQ(moved->left, c.left) << c.x << "," << c.y;
        EXPECT_EQ(moved->top, c.top) << c.x << "," << c.y;
    }
}

TEST(DialogDrag, LeftButtonOnlyStartsAndStops) {
    DialogDrag drag;
    drag.mouseDown(false, 0, 0);
    EXPECT_FALSE(drag.dragging());
    EXPECT_FALSE(drag.mouseMove(5, 5, {0, 0}, {10, 10}, {100, 100}).has_value());

    drag.mouseDown(true, 0, 0);
    drag.mouseUp(false, 3, 3);
    EXPECT_TRUE(drag.dragging());
    drag.mouseUp(true, 3, 3);
    EXPECT_FALSE(drag.dragging());
    EXPECT_FALSE(drag.mouseMove(5, 5, {0, 0}, {10, 10}, {100, 100}).has_value());
}

}  // namespace
}  // namespace app::testing
