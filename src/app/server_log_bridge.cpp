#include "app/server_log_bridge.h"

#include <atomic>

#include "server/log_hook.h"

namespace app {
namespace {

// The one process-wide slot behind the server client's function pointer.
std::atomic<Log*>& serverLogTarget() {
    static std::atomic<Log*> target{nullptr};
    return target;
}

void writeServerLine(std::int32_t level, const std::string& text, std::int32_t code, std::uint32_t depth) {
    if (Log* log = serverLogTarget().load()) log->line(level, text, code, depth);
}

}  // namespace

void routeServerLogTo(Log& log) {
    serverLogTarget().store(&log);
    ArvexClient::logHook = &writeServerLine;
}

void stopRoutingServerLogTo(Log& log) {
    Log* expected = &log;
    if (serverLogTarget().compare_exchange_strong(expected, nullptr)) ArvexClient::logHook = nullptr;
}

}  // namespace app
