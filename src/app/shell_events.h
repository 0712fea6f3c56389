// The window's own handlers: start-up, the log pane's context menu and the product list, with what they
// keep of the window: its log, its dialog panels and the temporary image paths. The session, programming,
// operator and server handlers come from a class derived from this one.
#pragma once

#include <array>
#include <string>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/view.h"
#include "app/window_events.h"

namespace app {

class ShellEvents : public WindowEvents, public StartupDuties {
public:
    explicit ShellEvents(View& view) : log_(view), panels_(view), view_(view) {}
    ~ShellEvents() override;
    ShellEvents(const ShellEvents&) = delete;
    ShellEvents& operator=(const ShellEvents&) = delete;

    void onWindowCreated() override;
    void onSaveLog() override;
    void onClearLog() override;
    void onProductChosen(int index) override;
    void keepTempImagePaths(const std::array<std::string, 2>& paths) override { tempImagePaths_ = paths; }

    Log& log() { return log_; }
    DialogPanels& dialogPanels() { return panels_; }
    // Where the programming flow writes the two images of a firmware container; set at start-up.
    const std::array<std::string, 2>& tempImagePaths() const { return tempImagePaths_; }

protected:
    View& view() { return view_; }

    Log log_;
    DialogPanels panels_;
    // Set by the create handler, before any bootloader operation can run.
    std::array<std::string, 2> tempImagePaths_;

private:
    View& view_;
};

}  // namespace app
