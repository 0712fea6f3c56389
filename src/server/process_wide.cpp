#include "server/process_wide.h"

#include <curl/curl.h>

#include <mutex>

namespace server {

void initialiseNetworkLibrary() {
    // The process-wide exception: libcurl keeps its global state itself; this flag only orders the call.
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace server
