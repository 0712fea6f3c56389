// The window's own handlers: start-up, the log pane's context menu and the product list. The session,
// programming, operator and server handlers come from a class derived from this one.
#pragma once

#include "app/startup.h"
#include "app/view.h"
#include "app/window_events.h"

namespace app {

class ShellEvents : public WindowEvents, public StartupDuties {
public:
    explicit ShellEvents(View& view) : view_(view) {}

    void ActiveFormCreate() override;
    void pmiSaveLogClick() override;
    void Clear1Click() override;
    void lbProductsClick(int index) override;

protected:
    View& view() { return view_; }

private:
    View& view_;
};

}  // namespace app
