// The numbered operations, the operation routine and the worker thread that runs it.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "bootloader/long_operations.h"
#include "bootloader/session.h"

namespace bootloader {

namespace {

// Best effort: an unprivileged process may not raise its priority, and the box works without it.
void raiseThreadPriority() {
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, thread, -10);
}

bool runsForBothTargets(int operation) {
    switch (operation) {
        case kOpReadIdentity:
        case kOpNothing:
        case kOpErase:
        case kOpProgram:
        case kOpReserved9:
        case kOpReserved12:
            return true;
        default:
            return false;
    }
}

// The outcome of an operation made of several steps: the first failure, so that a code never reads as
// another step's (erase's 1 OR'd with programming's 6 would read as 7, "layout unusable").
int firstFailure(int soFar, int next) {
    return soFar != 0 ? soFar : next;
}

}  // namespace

int BootLoader::performOperation(int operation) {
    if (runsForBothTargets(operation)) {
        auto step = [this, operation]() -> int {
            switch (operation) {
                case kOpReadIdentity:
                    return readDeviceInformation(*this);
                case kOpErase:
                    return base::code(eraseDevice());
                case kOpProgram: {
                    // Two statements: the erase must reach the box before programming starts.
                    const int erased = base::code(eraseDevice());
                    return firstFailure(erased, programDevice(*this));
                }
                case kOpReserved9:
                case kOpReserved12:
                    return base::code(CommandResult::reservedOperation);
                default:
                    return 0;
            }
        };
        int result = 0;
        if ((options & kOptionDual) != 0) {
            target = 0;
            result = step();
            target = 1;
            result = firstFailure(result, step());
        } else {
            result = step();
        }
        if (operation == kOpProgram && (options & kOptionFinishCommand) != 0)
            result = firstFailure(result, base::code(sendCommand06()));
        return result;
    }
    switch (operation) {
        case kOpQuery:
            return base::code(queryDevice());
        case kOpCommand06:
            return base::code(sendCommand06());
        case kOpSearch:
            return findDevice();
        case kOpCommand50:
            return base::code(sendCommand50());
        case kOpReset:
            return base::code(resetDevice(false));
        case kOpResetIfRequested:
            return base::code(resetDevice(true));
        case kOpEraseUserData:
            return base::code(eraseUserData(false));
        case kOpEraseUserDataIfRequested:
            return base::code(eraseUserData(true));
        default:
            return -1;
    }
}

int runOperation(BootLoader* session, int operation) {
    raiseThreadPriority();
    if (session == nullptr) return 2;
    session->postEvent(kEventOperation, kEventStarts, operation, "Starts Operation", 0);
    const int result = session->performOperation(operation);
    session->lastResult = result;
    if (result == 0) {
        session->postEvent(kEventOperation, kEventEndsOk, operation, "Ends Operation: OK", 0);
    } else {
        session->postEvent(kEventOperation, kEventEndsFault, operation, "Ends Operation: Fault", 0);
    }
    return result;
}

bool BootLoader::isWorkerRunning() {
    // The worker itself only ever sees the flag set, so it never touches the thread object.
    if (workerRunning_.load()) return true;
    std::lock_guard lock(workerMutex_);
    if (worker_.joinable()) worker_.join();
    return false;
}

StartOutcome BootLoader::startOperation(int operation) {
    if (operation >= kOperationLimit) return {StartResult::badOperation};
    if (!isDevicePresent()) return {StartResult::notPresentOrBusy};
    const bool nested = inCallbackHere();
    if (!nested && isWorkerRunning()) {
        postEvent(kEventError, kEventOperationRunning, 0, "Operation running", 0);
        return {StartResult::notPresentOrBusy};
    }
    // Operations started from the event callback run at once, nested on the callback's thread.
    if (nested || (options & kOptionWorkerThread) == 0)
        return {StartResult::started, runOperation(this, operation)};

    std::lock_guard lock(workerMutex_);
    if (worker_.joinable()) worker_.join();
    workerRunning_ = true;
    try {
        worker_ = std::thread([this, operation] {
            (void)runOperation(this, operation);  // its result is in lastResult
            workerRunning_ = false;
        });
    } catch (const std::system_error&) {
        workerRunning_ = false;
        return {StartResult::threadFailed};
    }
    return {StartResult::started};
}

StartOutcome startOperation(BootLoader* session, int operation) {
    if (session == nullptr) return {StartResult::noSession};
    return session->startOperation(operation);
}

}  // namespace bootloader
