// The main window's create handler (onWindowCreated) and the steps it takes.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "app/log.h"
#include "app/view.h"

namespace app {

// Start-up steps that belong to the device session, the server client and the bootloader; the create
// handler calls them at their places in its order. Each does nothing here.
class StartupDuties {
public:
    virtual ~StartupDuties() = default;
    virtual void keepTempImagePaths(const std::array<std::string, 2>&) {}  // "temp1.bin", "temp2.bin"
    virtual void setServerDefaults(View&) {}    // server endpoint and encryption defaults, "Crypt" ticked
    virtual void setDisconnected(View&) {}      // setConnected(false)
    virtual void configureBootloader(View&) {}  // option bits and the two keys
};

// Runs the create handler's steps in order over the window's view and log: priority, the server client's
// log lines routed to `log`, version caption, welcome banner, product list, temporary image paths, server
// defaults, random seed, hidden ">",
// panel colour, country list, connect timer, status panel, setConnected(false), bootloader set-up. The
// geometry steps (panel at 0,0, client 670 x 380, fixed size, outline) are the window's own layout.
void activeFormCreate(View& view, Log& log, StartupDuties& duties);

// A folder inside `systemTempFolder` that only this user can enter: "arvex-updater-<uid>", mode 0700,
// created when missing. One that exists but is not a directory of ours with mode 0700 (a link, a file,
// someone else's, a looser mode) is not used; a fresh uniquely named folder is made instead. Empty when
// no folder can be had. The answer ends in '/'.
[[nodiscard]] std::optional<std::string> privateTempFolder(const std::string& systemTempFolder);

// The two image paths: inside privateTempFolder; the bare file names (current folder) when the system
// names no temporary folder; two empty paths, which the programming flow refuses, when no private folder
// can be made.
std::array<std::string, 2> makeTempImagePaths(const std::string& systemTempFolder);

// The system's temporary folder, empty when it has none.
std::string systemTempFolder();

// Asks for a raised scheduling priority for the process; a refusal is fine and not reported.
void requestHighPriority();

// Seeds the C runtime's pseudo-random generator from the clock.
void seedRandomGenerator();

}  // namespace app
