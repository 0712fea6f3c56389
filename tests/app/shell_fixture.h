// A recording view with the log and dialog panels of a window over it.
#pragma once

#include <gtest/gtest.h>

#include "app/dialog_panels.h"
#include "app/log.h"
#include "recording_view.h"

namespace app::testing {

class ShellTest : public ::testing::Test {
protected:
    RecordingView view;
    Log log{view};
    DialogPanels panels{view};
};

}  // namespace app::testing
