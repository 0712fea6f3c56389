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
        {Control::pFirmUpdate, "pFirmUpdate", 126, 38}, {Control::pReg, "pReg", 167, 78},
        {Control::pRegOK, "pRegOK", 167, 98},           {Control::pRegFault, "pRegFault", 167, 98},
        {Control::pUpdate, "pUpdate", 167, 98},
    };
    for (const Case& c : cases) {
        view.clearCalls();
        panels.show(c.panel, Control::gPanel);
        const std::string name = c.name;
        EXPECT_EQ(view.calls(),
                  concat(kHideAll, {"moveTo(" + name + ", " + std::to_string(c.left) + ", " +
                                        std::to_string(c.top) + ")",
                                    "setVisible(" + name + ", true)", "setEnabled(" + name + ", true)",
                                    "setEnabled(gPanel, false)", "refresh()"}));
    }
}

TEST_F(DialogPanelTest, OwnerStaysDisabledUntilTheShownPanelCloses) {
    panels.show(Control::pReg, Control::gPanel);
    panels.show(Control::pUpdate, Control::gPanel);
    EXPECT_EQ(view.visible(Control::pReg), false);
    EXPECT_EQ(view.visible(Control::pUpdate), true);
    EXPECT_EQ(view.enabled(Control::gPanel), false);

    view.clearCalls();
    panels.close(Control::pUpdate);
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
    panels.close(Control::pRegOK);
    EXPECT_EQ(view.calls(), Calls{"refresh()"});

    // shown without an owner: nothing is disabled, and closing does not hide it
    view.clearCalls();
    panels.show(Control::pUpdate, std::nullopt);
    EXPECT_EQ(view.calls(), concat(kHideAll, {"moveTo(pUpdate, 167, 98)", "setVisible(pUpdate, true)",
                                              "setEnabled(pUpdate, true)", "refresh()"}));
    view.clearCalls();
    panels.close(Control::pUpdate);
    EXPECT_EQ(view.calls(), Calls{"refresh()"});

    // a later show without an owner replaces the remembered one
    panels.show(Control::pReg, Control::gPanel);
    panels.show(Control::pReg, std::nullopt);
    view.clearCalls();
    panels.close(Control::pReg);
    EXPECT_EQ(view.calls(), Calls{"refresh()"});
}

TEST_F(DialogPanelTest, RememberedOwnerIsKeptAfterClosing) {
    panels.show(Control::pRegOK, Control::gPanel);
    panels.close(Control::pRegOK);
    view.clearCalls();
    panels.close(Control::pRegOK);
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
