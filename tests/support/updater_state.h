// What a test of the whole updater (window logic, box, server) starts from: the process-wide state cleared
// and the flows' pauses shortened.
#pragma once

#include <chrono>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/window_logic.h"
#include "server/documents.h"

namespace testsupport {

inline app::LogicSettings fastLogicSettings() {
    app::LogicSettings settings;
    settings.afterProgramming = std::chrono::milliseconds(5);
    settings.afterBlacklist = std::chrono::milliseconds(5);
    settings.animationStep = std::chrono::milliseconds(0);
    settings.animationHold = std::chrono::milliseconds(0);
    return settings;
}

inline void resetUpdaterState() {
    app::resetWindowState();
    app::resetDialogPanels();
    ArvexClient::resetSession();
    app::logThreshold = 3;
    app::logDepth = 0;
}

}  // namespace testsupport
