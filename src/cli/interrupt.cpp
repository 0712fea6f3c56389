#include "cli/interrupt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace cli {
namespace {

struct Cleanups {
    std::mutex mutex;
    std::map<unsigned long, std::function<void()>> byId;  // ids grow: newest last
    unsigned long nextId = 1;
};

Cleanups& cleanups() {
    // Process-wide: signals are. Never destroyed: the waiting thread may use it at exit.
    static Cleanups* instance = new Cleanups;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
    return *instance;
}

sigset_t interruptSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void waitForInterrupt() {
    const sigset_t set = interruptSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    Cleanups& all = cleanups();
    std::unique_lock lock(all.mutex);
    // Taken out under the lock, run without it: a clean-up may take locks of its own.
    auto pending = std::move(all.byId);
    all.byId.clear();
    lock.unlock();
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) it->second();
    std::fflush(nullptr);
    _exit(kInterruptedExitCode);
}

}  // namespace

void installInterruptHandling() {
    const sigset_t set = interruptSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(waitForInterrupt).detach();
}

CleanupRegistration::CleanupRegistration(std::function<void()> cleanup) {
    Cleanups& all = cleanups();
    std::lock_guard lock(all.mutex);
    id_ = all.nextId++;
    all.byId.emplace(id_, std::move(cleanup));
}

CleanupRegistration::~CleanupRegistration() {
    Cleanups& all = cleanups();
    std::lock_guard lock(all.mutex);
    all.byId.erase(id_);
}

}  // namespace cli
