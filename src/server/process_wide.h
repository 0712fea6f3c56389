// The one piece of the server client that is process-wide by nature: libcurl's global initialisation,
// which must run once before the first handle and is not safe to run on two threads at once. Everything
// else lives in the ServerClient objects.
#pragma once

namespace server {

// Runs curl_global_init exactly once per process; any thread may call it, any number of times.
void initialiseNetworkLibrary();

}  // namespace server
