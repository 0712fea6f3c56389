#include "ui/ui_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// Runs the UI thread's event loop until `done` turns true.
void pumpUntil(const std::atomic<bool>& done) {
    while (!done.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(UiThreadHandover, OnTheUiThreadTheCallRunsAtOnce) {
    QObject context;
    bool ran = false;
    ui::runOnThreadOf(context, [&] {
        // A nested call from inside a handed-over call must not wait for itself either.
        ui::runOnThreadOf(context, [&] { ran = true; });
    });
    EXPECT_TRUE(ran);
}

TEST(UiThreadHandover, WorkerCallsRunOnTheUiThreadInOrderAndTheWorkerWaitsForEach) {
    QObject context;
    std::vector<int> applied;  // touched on the UI thread only
    std::vector<bool> seenByWorker;
    std::vector<bool> onUiThread;
    std::atomic<bool> finished{false};
    const std::thread::id uiThread = std::this_thread::get_id();
    constexpr int kCalls = 200;

    std::thread worker([&] {
        for (int i = 0; i < kCalls; ++i) {
            ui::runOnThreadOf(context, [&, i] {
                applied.push_back(i);
                onUiThread.push_back(std::this_thread::get_id() == uiThread);
            });
            // Returned: the change is applied, so the worker sees it (TSan checks the hand-over).
            seenByWorker.push_back(applied.size() == static_cast<std::size_t>(i) + 1);
        }
        finished = true;
    });
    pumpUntil(finished);
    worker.join();

    ASSERT_EQ(applied.size(), static_cast<std::size_t>(kCalls));
    for (int i = 0; i < kCalls; ++i) {
        EXPECT_EQ(applied[i], i);
        EXPECT_TRUE(seenByWorker[i]) << "call " << i << " returned before it was applied";
        EXPECT_TRUE(onUiThread[i]) << "call " << i << " ran on the worker";
    }
}

}  // namespace
