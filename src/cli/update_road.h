// The update road on one box, driven through the window logic and a console view: connect, identity,
// login, list, download, program, the post-programming commands, reconnection and the second login. Shared
// by `update` on one box and by each box's job of `update --all` and `--wait-new`.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/console_view.h"
#include "app/updater_window.h"

namespace cli {

struct RoadRequest {
    std::optional<std::string> fileId;  // none: the first firmware container for the box
    int waitSeconds = 5;                // for the box to appear; 0: no limit
    std::FILE* waitMessages = nullptr;  // where the wait for the box says what it waits for
    std::function<void(const std::string& serial)> serialKnown;  // after the identity read, when it is known
    std::function<void()> connected;                             // once the box is connected
    std::function<void()> tick;  // after every status tick (the --json reports of the log and progress)
};

struct RoadOutcome {
    int exitCode = 1;
    std::string text;         // "done: ...", or what stopped the road
    bool programmed = false;  // the box was programmed, so it was reset and left the bus
};

// Says what the road is doing ("Chosen: NAME"); from the calling thread.
using RoadNote = std::function<void(const std::string& text)>;

// Walks the road on the window's box. The create handler must already have run. Exit codes as `update`:
// 0 done, 1 failed, 3 not registered, 4 blocked, 5 no box within the wait.
[[nodiscard]] RoadOutcome walkUpdateRoad(app::ConsoleView& view, app::UpdaterWindow& window,
                                         RoadRequest request, const RoadNote& note);

}  // namespace cli
