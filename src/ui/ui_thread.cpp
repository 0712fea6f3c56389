#include "ui/ui_thread.h"

#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace ui {
namespace {

// One per process, like the UI thread itself. Qt's event queue hands a call over with locks that thread
// checkers cannot see; taking this mutex around the posting and at the start of the call makes the
// hand-over visible to them.
std::mutex& uiThreadHandoverMutex() {
    static std::mutex mutex;
    return mutex;
}

struct Done {
    std::mutex mutex;
    std::condition_variable signal;
    bool done = false;
};

// Signals when the queued call is destroyed: after it ran, or when Qt drops it because the context is gone.
class Signaller {
public:
    explicit Signaller(std::shared_ptr<Done> done) : state_(std::move(done)) {}
    Signaller(const Signaller&) = delete;
    Signaller& operator=(const Signaller&) = delete;
    ~Signaller() {
        std::lock_guard lock(state_->mutex);
        state_->done = true;
        state_->signal.notify_all();
    }

private:
    std::shared_ptr<Done> state_;
};

}  // namespace

void runOnThreadOf(QObject& context, const std::function<void()>& work) {
    if (QThread::currentThread() == context.thread()) {
        work();
        return;
    }
    // The caller waits on a standard condition variable, so that thread checkers see the hand-over.
    auto state = std::make_shared<Done>();
    {
        auto signaller = std::make_shared<Signaller>(state);
        std::lock_guard handover(uiThreadHandoverMutex());
        QMetaObject::invokeMethod(
            &context,
            [&work, signaller]() {
                { std::lock_guard published(uiThreadHandoverMutex()); }
                work();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock lock(state->mutex);
    state->signal.wait(lock, [&] { return state->done; });
}

}  // namespace ui
