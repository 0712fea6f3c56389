// What a test of the whole updater (window logic, box, server) starts from: the flows' pauses shortened.
#pragma once

#include <chrono>

#include "app/window_logic.h"

namespace testsupport {

inline app::LogicSettings fastLogicSettings() {
    app::LogicSettings settings;
    settings.afterProgramming = std::chrono::milliseconds(5);
    settings.afterBlacklist = std::chrono::milliseconds(5);
    settings.animationStep = std::chrono::milliseconds(0);
    settings.animationHold = std::chrono::milliseconds(0);
    return settings;
}

}  // namespace testsupport
