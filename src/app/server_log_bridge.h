// Carries the server client's error lines into a window's log. The client reaches its log through one
// plain function pointer (ArvexClient::logHook), so the log it writes to is one per process until the
// client object has a sink of its own.
#pragma once

#include "app/log.h"

namespace app {

// Sets logHook so that the server client's lines go to `log`.
void routeServerLogTo(Log& log);
// Clears logHook when it still leads to `log`.
void stopRoutingServerLogTo(Log& log);

}  // namespace app
