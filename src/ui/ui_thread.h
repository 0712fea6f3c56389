// The hand-over to the UI thread: window changes asked for by a worker thread (the bootloader's) are
// applied on the thread that owns the widgets, in the order they were asked for, while the worker waits.
#pragma once

#include <QObject>
#include <functional>

namespace ui {

// Runs `work` on `context`'s thread and returns once it has run. Called on that thread, it runs at once
// (so the window's own handlers never wait for themselves). From any other thread it is queued behind the
// calls queued before it; the caller waits until it has run, or until Qt drops it because `context` is
// gone. The context's thread must never wait for such a caller.
void runOnThreadOf(QObject& context, const std::function<void()>& work);

}  // namespace ui
