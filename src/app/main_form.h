// How code without a window pointer reaches the window: the view that the window's create handler sets.
#pragma once

#include <atomic>

#include "app/view.h"

namespace app {

// Null until the create handler runs; set once. Read from the UI thread and the bootloader's worker thread.
inline std::atomic<View*> mainForm{nullptr};

}  // namespace app
