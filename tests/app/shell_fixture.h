// A recording view installed as the window, with the window state reset around each test.
#pragma once

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/startup.h"
#include "recording_view.h"

namespace app::testing {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetWindowState();
        mainForm = &view;
    }
    void TearDown() override { resetWindowState(); }

    RecordingView view;
};

}  // namespace app::testing
